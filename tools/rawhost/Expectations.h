#pragma once
// What a module must tell the host, read from a text file written from the
// effect's own declarations (not from anything the engine or our simulated
// host computes):
//
//   plugin_name ReliefmakerFX        the name it registers with
//   my_version 0x80001               PF_OutData fields after global set-up
//   out_flags 0x6008025
//   out_flags2 0x1400
//   param TYPE "Name" key=value ...  one published parameter, in order; TYPE
//                                    is the PF_Param_ name without its prefix,
//                                    keys are flags and the fields of the
//                                    type's definition as the facts name them
//   set "Name" VALUE                 a float slider the user changes
//
// Numbers are decimal or 0x hexadecimal; a colour is "alpha,red,green,blue";
// a text (a pop-up's entries, a checkbox's label) is quoted.

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

struct ExpectedParam {
    std::string type;
    std::string name;
    std::map<std::string, std::string> fields;
};

struct Expectations {
    std::string pluginName;
    std::uint32_t myVersion = 0;
    std::uint32_t outFlags = 0;
    std::uint32_t outFlags2 = 0;
    std::vector<ExpectedParam> params;
    std::vector<std::pair<std::string, double>> settings;

    // Throws std::runtime_error naming the line that does not parse.
    static Expectations read(const std::string& path);
};
