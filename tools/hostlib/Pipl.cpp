#include "Pipl.h"

#include <algorithm>
#include <cstring>

namespace {

// Four-character codes are stored as 32-bit numbers, so their bytes appear
// reversed in the little-endian file.
std::uint32_t fourCC(const std::string& code) {
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v = (v << 8) | static_cast<std::uint8_t>(code.at(i));
    return v;
}

std::string fourCCText(std::uint32_t v) {
    std::string s(4, ' ');
    for (int i = 0; i < 4; ++i) s[i] = static_cast<char>((v >> (8 * (3 - i))) & 0xFF);
    return s;
}

void put16(std::vector<std::uint8_t>& out, std::uint16_t v) {
    out.push_back(v & 0xFF);
    out.push_back(v >> 8);
}
void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back((v >> (8 * i)) & 0xFF);
}

std::vector<std::uint8_t> pascal(const std::string& text) {
    std::vector<std::uint8_t> data(text.size() + 1);
    data[0] = static_cast<std::uint8_t>(text.size());
    std::copy(text.begin(), text.end(), data.begin() + 1);
    return data;
}

std::vector<std::uint8_t> word32(std::uint32_t v) {
    std::vector<std::uint8_t> data;
    put32(data, v);
    return data;
}

struct Property {
    const char* key;
    std::vector<std::uint8_t> data;
};

std::vector<Property> propertiesOf(const PiplProperties& p) {
    std::vector<std::uint8_t> entry(p.entryPoint.begin(), p.entryPoint.end());
    entry.push_back(0);
    std::vector<std::uint8_t> apiVersion;
    put16(apiVersion, p.specMajor);
    put16(apiVersion, p.specMinor);
    std::vector<std::uint8_t> info;
    put16(info, p.infoFlags);
    return {
        {"kind", word32(fourCC(p.kind))}, {"name", pascal(p.name)},
        {"catg", pascal(p.category)},     {"8664", entry},
        {"ePVR", word32(p.piplVersion)},  {"eSVR", apiVersion},
        {"eVER", word32(p.version)},      {"eINF", info},
        {"eGLO", word32(p.outFlags)},     {"eGL2", word32(p.outFlags2)},
        {"eMNA", pascal(p.matchName)},    {"aeFL", word32(p.reservedInfo)},
    };
}

}  // namespace

std::vector<std::uint8_t> buildPipl(const PiplProperties& properties) {
    const std::vector<Property> list = propertiesOf(properties);
    std::vector<std::uint8_t> out;
    put16(out, 1);
    put32(out, 0);
    put32(out, static_cast<std::uint32_t>(list.size()));
    for (const Property& property : list) {
        std::vector<std::uint8_t> data = property.data;
        data.resize((data.size() + 3) & ~std::size_t(3), 0);
        put32(out, fourCC("8BIM"));
        put32(out, fourCC(property.key));
        put32(out, 0);
        put32(out, static_cast<std::uint32_t>(data.size()));
        out.insert(out.end(), data.begin(), data.end());
    }
    return out;
}

std::optional<PiplProperties> parsePipl(const std::vector<std::uint8_t>& bytes) {
    std::size_t pos = 0;
    bool ok = true;
    auto get = [&](std::size_t n) -> std::uint32_t {
        if (!ok || bytes.size() - pos < n) {
            ok = false;
            return 0;
        }
        std::uint32_t v = 0;
        for (std::size_t i = 0; i < n; ++i) v |= std::uint32_t(bytes[pos + i]) << (8 * i);
        pos += n;
        return v;
    };
    if (get(2) != 1 || get(4) != 0)
        return std::nullopt;
    const std::uint32_t count = get(4);
    PiplProperties p;
    for (std::uint32_t i = 0; i < count && ok; ++i) {
        get(4);  // vendor
        const std::string key = fourCCText(get(4));
        get(4);  // id
        const std::uint32_t length = get(4);
        if (!ok || bytes.size() - pos < length)
            return std::nullopt;
        const std::uint8_t* d = bytes.data() + pos;
        auto u32 = [&]() {
            return length >= 4 ? d[0] | d[1] << 8 | d[2] << 16 | std::uint32_t(d[3]) << 24 : 0u;
        };
        auto u16 = [&](int at) {
            return static_cast<std::uint16_t>(length >= std::size_t(at + 2) ? d[at] | d[at + 1] << 8
                                                                            : 0);
        };
        auto pas = [&]() {
            return length ? std::string(reinterpret_cast<const char*>(d + 1),
                                        std::min<std::size_t>(d[0], length - 1))
                          : std::string();
        };
        if (key == "kind")
            p.kind = fourCCText(u32());
        else if (key == "name")
            p.name = pas();
        else if (key == "catg")
            p.category = pas();
        else if (key == "8664")
            p.entryPoint = std::string(reinterpret_cast<const char*>(d),
                                       strnlen(reinterpret_cast<const char*>(d), length));
        else if (key == "ePVR")
            p.piplVersion = u32();
        else if (key == "eSVR") {
            p.specMajor = u16(0);
            p.specMinor = u16(2);
        } else if (key == "eVER")
            p.version = u32();
        else if (key == "eINF")
            p.infoFlags = u16(0);
        else if (key == "eGLO")
            p.outFlags = u32();
        else if (key == "eGL2")
            p.outFlags2 = u32();
        else if (key == "eMNA")
            p.matchName = pas();
        else if (key == "aeFL")
            p.reservedInfo = u32();
        pos += length;
    }
    if (!ok)
        return std::nullopt;
    return p;
}
