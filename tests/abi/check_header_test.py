#!/usr/bin/env python3
"""The build-time check of HostInterface.h catches what it is there for: a
header changed in one place (a field's width, a suite slot, a function's
parameters, a constant, a field the facts do not know) fails to generate or
to compile, with a message that names the item.

  check_header_test.py SOURCE_DIR CXX_COMPILER
"""

import os
import subprocess
import sys
import tempfile
import unittest

SOURCE, COMPILER = sys.argv[1], sys.argv[2]
ABI = os.path.join(SOURCE, "abi")
with open(os.path.join(SOURCE, "src", "HostInterface.h"), encoding="utf-8") as f:
    HEADER = f.read()
with open(os.path.join(ABI, "own-items.txt"), encoding="utf-8") as f:
    OWN_ITEMS = f.read()


def check(header, own_items=OWN_ITEMS):
    """Generates and compiles the check for `header`; returns (stage, output)
    where stage is 'generate' or 'compile' for a failure, None for success."""
    with tempfile.TemporaryDirectory() as folder:
        for name, text in (("HostInterface.h", header), ("own-items.txt", own_items)):
            with open(os.path.join(folder, name), "w", encoding="utf-8") as f:
                f.write(text)
        output = os.path.join(folder, "check.cpp")
        generate = subprocess.run(
            [sys.executable, os.path.join(ABI, "check-header.py"),
             "--facts", os.path.join(ABI, "host-abi.json"),
             "--header", os.path.join(folder, "HostInterface.h"),
             "--own", os.path.join(folder, "own-items.txt"), "--output", output],
            capture_output=True, text=True)
        if generate.returncode != 0:
            return "generate", generate.stderr
        compile_ = subprocess.run(
            [COMPILER, "-std=c++17", "-fsyntax-only", "-I", folder, "-I", ABI, output],
            capture_output=True, text=True)
        if compile_.returncode != 0:
            return "compile", compile_.stderr
        return None, ""


def changed(old, new):
    assert HEADER.count(old) == 1, old
    return HEADER.replace(old, new)


class CheckHeaderTest(unittest.TestCase):
    def assertFailsAt(self, stage, header, *messages, own_items=OWN_ITEMS):
        failed, output = check(header, own_items)
        self.assertEqual(failed, stage, output)
        for message in messages:
            self.assertIn(message, output)

    def test_the_header_as_it_is_passes(self):
        self.assertEqual(check(HEADER), (None, ""))

    def test_a_wider_field_moves_the_ones_after_it(self):
        self.assertFailsAt("compile", changed("    A_long serial_num;", "    A_long serial_num[2];"),
                           "PF_InData.serial_num is 4 bytes",
                           "PF_InData.appl_id is at offset 204")

    def test_a_suite_function_in_another_slot(self):
        self.assertFailsAt("compile", changed("    void* reserved0[7];", "    void* reserved0[6];"),
                           "AEGP_RegisterWithAEGP is at offset 56",
                           "is 200 bytes (25 slots)")

    def test_a_callback_with_other_parameters(self):
        header = changed("(*add_param)(PF_ProgPtr effect_ref, PF_ParamIndex index,",
                         "(*add_param)(PF_ProgPtr effect_ref, A_short index,")
        self.assertFailsAt("compile", header, "PF_InteractCallbacks.add_param has the signature 4(p4p)")

    def test_a_constant_with_another_value(self):
        self.assertFailsAt("compile", changed("PF_ChannelMask_RED = 2,", "PF_ChannelMask_RED = 1,"),
                           "PF_ChannelMask_RED is 2 in the host")

    def test_an_item_without_a_fact_is_refused(self):
        header = changed("    PF_OutFlags2 out_flags2;\n} PF_OutData;",
                         "    PF_OutFlags2 out_flags2;\n    A_long extra;\n} PF_OutData;")
        self.assertFailsAt("generate", header, "PF_OutData.extra (field) has no fact")
        header = changed("#define PF_MAX_EFFECT_MSG_LEN 255",
                         "#define PF_MAX_EFFECT_MSG_LEN 255\n#define QS_HOST_THING 3")
        self.assertFailsAt("generate", header, "QS_HOST_THING (constant) has no fact")

    def test_own_items_must_name_declared_items_with_a_reason(self):
        self.assertFailsAt("generate", HEADER, "PF_Gone is listed in own-items.txt",
                           own_items=OWN_ITEMS + "PF_Gone a name no longer declared\n")
        self.assertFailsAt("generate", HEADER, "'PF_Bare' is listed without a reason",
                           own_items=OWN_ITEMS + "PF_Bare\n")

    def test_text_the_check_cannot_read_stops_it(self):
        self.assertFailsAt("generate", changed("#pragma once", "#pragma once\n#if 1\n#endif"),
                           "cannot read '#if 1'")


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
