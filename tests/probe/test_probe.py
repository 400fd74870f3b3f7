#!/usr/bin/env python3
"""The probe class TvqVersion run on real Linux JVMs, its class-file layout,
and the class-file rewriter that builds it.

Run by CTest (tests/probe/CMakeLists.txt), one test group per CTest test:
    test_probe.py -v FullJdkRequirements

Paths come from the environment:
    PROBE_CLASS_DIR      directory holding the built TvqVersion.class
    PROBE_FULL_JAVA      java of the full JDK (has java.awt.event.ActionEvent)
    PROBE_BASE_JAVA      java of a jlink runtime of java.base only (has not)
    PROBE_EXIT_RECORDER  the preload library that records the status given to exit()
    PROBE_JAVAC, PROBE_MAKE_CLASS45, PROBE_SOURCE   for the rewriter tests
"""

import functools
import os
import re
import struct
import subprocess
import sys
import tempfile
import unittest

YES_STATUS = 314
NO_STATUS = 159

# A hung VM must not hang the test run; no answer is expected to take long.
RUN_TIMEOUT_SECONDS = 120


def env_path(name):
    value = os.environ.get(name)
    if not value:
        raise AssertionError("%s is not set; run the tests through CTest" % name)
    return value


def clean_environment():
    env = dict(os.environ)
    # Options picked up from the environment make the VM write to stderr.
    for name in ("JAVA_TOOL_OPTIONS", "_JAVA_OPTIONS", "JDK_JAVA_OPTIONS", "CLASSPATH",
                 "LD_PRELOAD"):
        env.pop(name, None)
    return env


class ProbeRun:
    def __init__(self, stdout, stderr, returncode, exit_status):
        self.stdout = stdout
        self.stderr = stderr
        self.returncode = returncode
        self.exit_status = exit_status  # as passed to exit(), None if exit() never ran


def run_probe(java, args, jvm_options=(), class_dir=None):
    class_dir = class_dir or env_path("PROBE_CLASS_DIR")
    with tempfile.TemporaryDirectory() as tmp:
        status_file = os.path.join(tmp, "status")
        env = clean_environment()
        env["LD_PRELOAD"] = env_path("PROBE_EXIT_RECORDER")
        env["WENDLE_EXIT_STATUS_FILE"] = status_file
        done = subprocess.run([java, *jvm_options, "-cp", class_dir, "TvqVersion", *args],
                              stdin=subprocess.DEVNULL, capture_output=True, env=env,
                              timeout=RUN_TIMEOUT_SECONDS)
        exit_status = None
        if os.path.exists(status_file):
            with open(status_file) as f:
                exit_status = int(f.read())
    return ProbeRun(done.stdout, done.stderr, done.returncode, exit_status)


class Vm:
    """What the tests need to know about one Java runtime, asked of the runtime itself."""

    def __init__(self, java):
        self.java = java
        settings = subprocess.run([java, "-XshowSettings:properties", "-version"],
                                  capture_output=True, text=True, env=clean_environment(),
                                  check=True).stderr
        self.vendor = self._property(settings, "java.vendor")
        self.os_name = self._property(settings, "os.name")
        modules = subprocess.run([java, "--list-modules"], capture_output=True, text=True,
                                 env=clean_environment(), check=True).stdout
        self.has_event_classes = re.search(r"^java\.desktop@", modules, re.M) is not None

    @staticmethod
    def _property(settings, name):
        match = re.search(r"^\s*%s = (.*)$" % re.escape(name), settings, re.M)
        if match is None:
            raise AssertionError("the VM does not report %s" % name)
        return match.group(1)

    def fields(self):
        """Values for the {placeholders} in the requirement table."""
        vendor3, os3 = self.vendor[:3], self.os_name[:3]
        return {"vendor3": vendor3, "vendor3_case": vendor3.swapcase(),
                "os3": os3, "os3_case": os3.swapcase()}


@functools.lru_cache(maxsize=None)
def vm_for(variable):
    return Vm(env_path(variable))


class ProbeAssertions(unittest.TestCase):
    def assertAnswer(self, run, suitable, line_separator=b"\n"):
        word = b"YES" if suitable else b"NO"
        status = YES_STATUS if suitable else NO_STATUS
        self.assertEqual(run.stdout, word + line_separator, "standard output")
        self.assertEqual(run.stderr, b"", "standard error")
        self.assertEqual(run.exit_status, status, "status passed to exit()")
        # Linux keeps 8 bits of it: 314 arrives as 58.
        self.assertEqual(run.returncode, status & 0xFF, "process exit status")


# --- requirement strings on both runtimes ------------------------------------

ALWAYS = lambda vm: True
NEVER = lambda vm: False
WITH_EVENT_CLASSES = lambda vm: vm.has_event_classes

# (what a user would call the case, the alternatives, whether the VM is suitable)
# {vendor3}/{os3} are the first three letters of the VM's own java.vendor and
# os.name; {vendor3_case}/{os3_case} the same with letter case swapped.
REQUIREMENT_CASES = [
    ("A:A:A, the requirement the installer carries", ["A:A:A"], ALWAYS),
    ("no alternatives at all", [], NEVER),
    ("1.1:A:A needs the 1.1 event classes", ["1.1:A:A"], WITH_EVENT_CLASSES),
    ("1.2:A:A is met like 1.1", ["1.2:A:A"], WITH_EVENT_CLASSES),
    ("1.0:A:A is met by every VM", ["1.0:A:A"], ALWAYS),
    ("1.3:A:A is not a known version", ["1.3:A:A"], NEVER),
    ("an empty version field is never met", [":A:A"], NEVER),
    ("a lower-case a is not any version", ["a:A:A"], NEVER),
    ("1.1.8 counts as 1.1", ["1.1.8:A:A"], WITH_EVENT_CLASSES),
    ("1.15 counts as 1.1", ["1.15:A:A"], WITH_EVENT_CLASSES),
    ("Any as version stands for any version", ["Any:A:A"], ALWAYS),
    ("Any as vendor is a vendor prefix, not any vendor", ["A:Any:A"],
     lambda vm: vm.vendor.startswith("Any")),
    ("A:: with empty vendor and system fields matches every VM", ["A::"], ALWAYS),
    ("an empty system field matches every system", ["A:A:"], ALWAYS),
    ("in A:A:x:y the system field is x:y", ["A:A:x:y"],
     lambda vm: vm.os_name.startswith("x:y")),
    ("a prefix of the VM's own vendor", ["A:{vendor3}:A"], ALWAYS),
    ("a vendor prefix in the wrong letter case", ["A:{vendor3_case}:A"], NEVER),
    ("a prefix of the VM's own system name", ["A:A:{os3}"], ALWAYS),
    ("a system prefix in the wrong letter case", ["A:A:{os3_case}"], NEVER),
    ("version, vendor and system all given and met", ["1.0:{vendor3}:{os3}"], ALWAYS),
    ("the first alternative fails, the second passes", ["1.3:A:A", "A:A:A"], ALWAYS),
    ("the first alternative passes, the second fails", ["A:A:A", "1.3:A:A"], ALWAYS),
    ("every alternative fails", ["1.3:A:A", "A:A:Nowhere", "A:Nobody:A"], NEVER),
    ("a 1.1 alternative, then a 1.0 one", ["1.1:A:A", "1.0:A:A"], ALWAYS),
    ("a 1.1 alternative, then one that fails", ["1.1:A:A", "1.3:A:A"], WITH_EVENT_CLASSES),
    ("an alternative without any colon is never met", ["A"], NEVER),
    ("an alternative with one colon is never met", ["A:A"], NEVER),
    ("an empty alternative is never met", [""], NEVER),
    ("a trailing colon alone is never met", ["A:"], NEVER),
    ("malformed alternatives are skipped for a later good one",
     ["A", "A:A", "", "1.0", "A:A:A"], ALWAYS),
    ("a version with one colon does not run into the next alternative",
     ["1.0:A", "B:A:A"], NEVER),
]


def slug(text):
    return re.sub(r"[^0-9a-z]+", "_", text.lower()).strip("_")


def add_requirement_tests(cls, java_variable):
    for number, (name, args, suitable) in enumerate(REQUIREMENT_CASES, 1):
        def test(self, args=args, suitable=suitable):
            vm = vm_for(java_variable)
            alternatives = [a.format(**vm.fields()) for a in args]
            run = run_probe(vm.java, alternatives)
            self.assertAnswer(run, suitable(vm))
        test.__name__ = "test_%02d_%s" % (number, slug(name))
        shown = " ".join(a or '""' for a in args) or "(nothing)"
        test.__doc__ = "%s: %s" % (name, shown)
        setattr(cls, test.__name__, test)


class FullJdkRequirements(ProbeAssertions):
    """The full JDK: a VM of the 1.1 generation and later."""

    def test_00_the_jdk_has_the_event_classes(self):
        self.assertTrue(vm_for("PROBE_FULL_JAVA").has_event_classes)


class BaseRuntimeRequirements(ProbeAssertions):
    """A java.base runtime: no java.awt.event.ActionEvent, as on a 1.0 VM."""

    def test_00_the_runtime_lacks_the_event_classes(self):
        self.assertFalse(vm_for("PROBE_BASE_JAVA").has_event_classes)


add_requirement_tests(FullJdkRequirements, "PROBE_FULL_JAVA")
add_requirement_tests(BaseRuntimeRequirements, "PROBE_BASE_JAVA")


# --- how the answer is given ---------------------------------------------------

class ProbeProtocol(ProbeAssertions):
    def java(self):
        return env_path("PROBE_FULL_JAVA")

    def test_line_separator_comes_from_the_vm(self):
        for args, suitable in ((["A:A:A"], True), ([], False)):
            with self.subTest(args=args):
                run = run_probe(self.java(), args, ["-Dline.separator=\r\n"])
                self.assertAnswer(run, suitable, line_separator=b"\r\n")

    def test_system_field_keeps_its_further_colons(self):
        cases = [
            ("x:y", ["A:A:x:y"], True),
            ("x:yz", ["A:A:x:y"], True),
            ("x", ["A:A:x:y"], False),       # met if the field were cut at "x"
            ("x:y", ["A:A:x:y:z"], False),
        ]
        for os_name, args, suitable in cases:
            with self.subTest(os_name=os_name, args=args):
                run = run_probe(self.java(), args, ["-Dos.name=" + os_name])
                self.assertAnswer(run, suitable)

    def test_empty_system_name_is_met_only_by_an_empty_or_any_field(self):
        for args, suitable in ((["A:A:"], True), (["A:A:A"], True), (["A:A:L"], False)):
            with self.subTest(args=args):
                run = run_probe(self.java(), args, ["-Dos.name="])
                self.assertAnswer(run, suitable)

    def event_class_loaded(self, args):
        with tempfile.TemporaryDirectory() as tmp:
            log = os.path.join(tmp, "classes.log")
            run = run_probe(self.java(), args, ["-Xlog:class+load=info:file=" + log])
            with open(log) as f:
                return run, "java.awt.event.ActionEvent " in f.read()

    def test_event_classes_are_loaded_only_for_a_1_1_or_1_2_version(self):
        # (alternatives, whether the VM is suitable, whether the class is loaded)
        cases = [
            (["1.1:A:A"], True, True),
            (["1.2:A:A"], True, True),
            (["1.3:A:A", "1.2:A:A"], True, True),
            (["1.1:A:Nowhere"], False, True),
            (["1.0:A:A"], True, False),
            (["A:A:A"], True, False),
            (["1.3:A:A"], False, False),
            # Later alternatives are not looked at once one is met.
            (["A:A:A", "1.1:A:A"], True, False),
            (["1.0:A:A", "1.2:A:A"], True, False),
        ]
        for args, suitable, loaded in cases:
            with self.subTest(args=args):
                run, was_loaded = self.event_class_loaded(args)
                self.assertAnswer(run, suitable)
                self.assertEqual(was_loaded, loaded, "java.awt.event.ActionEvent loaded")


# --- the class file ------------------------------------------------------------

CONSTANT_SIZES = {3: 4, 4: 4, 5: 8, 6: 8, 7: 2, 8: 2, 9: 4, 10: 4, 11: 4, 12: 4,
                  15: 3, 16: 2, 17: 4, 18: 4, 19: 2, 20: 2}


class Bytes:
    def __init__(self, data):
        self.data, self.pos = data, 0

    def take(self, n):
        chunk = self.data[self.pos:self.pos + n]
        if len(chunk) != n:
            raise AssertionError("class file truncated at %d" % self.pos)
        self.pos += n
        return chunk

    def u2(self):
        return struct.unpack(">H", self.take(2))[0]

    def u4(self):
        return struct.unpack(">I", self.take(4))[0]


def parse_class(data):
    """A minimal reader of its own, so a fault in the rewriter cannot hide itself."""
    r = Bytes(data)
    magic, minor, major = struct.unpack(">IHH", r.take(8))
    pool = [None]
    count = r.u2()
    while len(pool) < count:
        tag = r.take(1)[0]
        if tag == 1:
            pool.append((tag, r.take(r.u2()).decode("utf-8")))
        else:
            pool.append((tag, r.take(CONSTANT_SIZES[tag])))
            if tag in (5, 6):
                pool.append(None)

    def utf8(index):
        tag, value = pool[index]
        assert tag == 1, "constant %d is not Utf8" % index
        return value

    def class_name(index):
        tag, body = pool[index]
        assert tag == 7, "constant %d is not a Class" % index
        return utf8(struct.unpack(">H", body)[0])

    def attributes(reader):
        return [(utf8(reader.u2()), reader.take(reader.u4())) for _ in range(reader.u2())]

    cls = {"magic": magic, "minor": minor, "major": major, "pool": pool,
           "utf8": utf8, "class_name": class_name}
    cls["access"], this_index, super_index = r.u2(), r.u2(), r.u2()
    cls["this"], cls["super"] = class_name(this_index), class_name(super_index)
    cls["interfaces"] = [class_name(r.u2()) for _ in range(r.u2())]
    cls["fields"] = r.u2()
    assert cls["fields"] == 0, "fields are not parsed here"
    methods = []
    for _ in range(r.u2()):
        method = {"access": r.u2(), "name": utf8(r.u2()), "desc": utf8(r.u2())}
        method["attributes"] = attributes(r)
        for name, body in method["attributes"]:
            if name == "Code":
                code = Bytes(body)
                code.take(4)                 # max_stack, max_locals
                code.take(code.u4())         # the instructions
                code.take(8 * code.u2())     # the exception table
                method["code_attributes"] = [n for n, _ in attributes(code)]
                assert code.pos == len(body), "bytes after the Code attributes"
        methods.append(method)
    cls["methods"] = methods
    cls["attributes"] = attributes(r)
    cls["trailing"] = len(data) - r.pos
    return cls


class ClassFileStructure(ProbeAssertions):
    def load(self):
        with open(os.path.join(env_path("PROBE_CLASS_DIR"), "TvqVersion.class"), "rb") as f:
            data = f.read()
        return data, parse_class(data)

    def test_class_file_version_is_45_3(self):
        data, cls = self.load()
        self.assertEqual(data[:8], b"\xca\xfe\xba\xbe\x00\x03\x00\x2d")
        self.assertEqual(cls["trailing"], 0)

    def test_class_is_TvqVersion_not_public_extending_Object(self):
        _, cls = self.load()
        self.assertEqual(cls["this"], "TvqVersion")
        self.assertEqual(cls["access"], 0x0020)  # ACC_SUPER only
        self.assertEqual(cls["super"], "java/lang/Object")
        self.assertEqual(cls["interfaces"], [])
        self.assertEqual(cls["fields"], 0)

    def test_methods_are_bail_main_and_the_constructor_in_order(self):
        _, cls = self.load()
        self.assertEqual([(m["name"], m["desc"], m["access"]) for m in cls["methods"]], [
            ("bail", "(Ljava/lang/String;)V", 0x0009),
            ("main", "([Ljava/lang/String;)V", 0x0009),
            ("<init>", "()V", 0x0000),
        ])

    def test_debugging_attributes_kept_and_stack_maps_gone(self):
        _, cls = self.load()
        self.assertEqual([name for name, _ in cls["attributes"]], ["SourceFile"])
        for method in cls["methods"]:
            with self.subTest(method=method["name"]):
                self.assertEqual([n for n, _ in method["attributes"]], ["Code"])
                self.assertEqual(sorted(method["code_attributes"]),
                                 ["LineNumberTable", "LocalVariableTable"])
        names = [e[1] for e in cls["pool"] if e is not None and e[0] == 1]
        self.assertNotIn("StackMapTable", names)

    def test_only_constants_a_1_0_vm_knows(self):
        _, cls = self.load()
        tags = {e[0] for e in cls["pool"] if e is not None}
        self.assertLessEqual(tags, set(range(1, 13)))

    def test_event_class_named_only_as_text(self):
        _, cls = self.load()
        pool = cls["pool"]
        strings = [cls["utf8"](struct.unpack(">H", e[1])[0])
                   for e in pool if e is not None and e[0] == 8]
        classes = [cls["class_name"](i) for i, e in enumerate(pool) if e is not None and e[0] == 7]
        self.assertIn("java.awt.event.ActionEvent", strings)
        self.assertNotIn("java/awt/event/ActionEvent", classes)
        self.assertLessEqual(set(classes), {
            "TvqVersion", "java/lang/Object", "java/lang/String", "java/lang/System",
            "java/io/PrintStream", "java/lang/Class", "java/lang/Throwable"})

    def test_class_is_verified_when_loaded(self):
        for variable in ("PROBE_FULL_JAVA", "PROBE_BASE_JAVA"):
            with self.subTest(vm=variable), tempfile.TemporaryDirectory() as tmp:
                log = os.path.join(tmp, "verification.log")
                run = run_probe(env_path(variable), ["A:A:A"],
                                ["-Xlog:verification=info:file=" + log])
                self.assertAnswer(run, True)
                with open(log) as f:
                    text = f.read()
                self.assertIn("Verifying class TvqVersion with old format", text)
                self.assertIn("End class verification for: TvqVersion", text)


# --- the rewriter ---------------------------------------------------------------

# (what the source does, text to replace in the probe source, its replacement,
#  what the rejection names)
REJECTED_VARIANTS = [
    ("string concatenation",
     "System.out.print(ret);", 'System.out.print(ret + "!");', "StringBuilder"),
    ("boxing an int",
     "int value = 159;", "Object boxed = 159;\n        int value = 159;", "Integer.valueOf"),
    ("a class literal",
     "Class c = null;", "Class c = String.class;", "class literal"),
    ("a lambda",
     "int value = 159;", "Runnable r = () -> { };\n        int value = 159;",
     "cannot hold"),
    ("a String method the 1.0 library lacks",
     'if (ret.equals("YES"))', 'if (ret.equals("YES") && !ret.isEmpty())', "isEmpty"),
    ("a class from outside the 1.0 library",
     "int value = 159;", "int value = 159;\n        Thread.yield();", "java/lang/Thread"),
    ("a public class",
     "\nclass TvqVersion {", "\npublic class TvqVersion {", "access flags"),
    ("a field",
     "\nclass TvqVersion {", "\nclass TvqVersion {\n    static int count;", "fields"),
    ("an interface",
     "\nclass TvqVersion {", "\nclass TvqVersion implements java.io.Serializable {",
     "interfaces"),
    ("an extra method",
     "    TvqVersion() {", "    static void extra() {\n    }\n\n    TvqVersion() {",
     "methods are"),
    ("a constructor that does more than construct",
     "    TvqVersion() {\n    }", "    TvqVersion() {\n        System.exit(1);\n    }",
     "constructor"),
    ("a generic local variable type",
     "Class c = null;", "Class<?> c = null;", "LocalVariableTypeTable"),
]

# Variants the rewriter must pass through intact: instructions whose length
# depends on their operands.
ACCEPTED_VARIANTS = [
    ("a tableswitch and a wide iinc",
     "int value = 159;",
     "int k = ret.length();\n"
     "        switch (k) { case 1: k = 7; break; case 2: k = 8; break;"
     " case 3: k = 9; break; default: k += 1000; }\n"
     "        int value = 159;"),
    ("a lookupswitch",
     "int value = 159;",
     "int k = ret.length();\n"
     "        switch (k) { case 1: k = 7; break; case 1000: k = 8; break;"
     " case 100000: k = 9; break; }\n"
     "        int value = 159;"),
]


class MakeClass45(ProbeAssertions):
    def compile(self, tmp, source_text, release="8"):
        src_dir = os.path.join(tmp, "src")
        out_dir = os.path.join(tmp, "javac")
        os.makedirs(src_dir)
        os.makedirs(out_dir)
        source = os.path.join(src_dir, "TvqVersion.java")
        with open(source, "w") as f:
            f.write(source_text)
        subprocess.run([env_path("PROBE_JAVAC"), "--release", release, "-g",
                        "-encoding", "UTF-8", "-d", out_dir, source],
                       check=True, capture_output=True, env=clean_environment())
        return os.path.join(out_dir, "TvqVersion.class")

    def rewrite(self, compiled, target):
        return subprocess.run([sys.executable, env_path("PROBE_MAKE_CLASS45"), compiled, target],
                              capture_output=True, text=True)

    def probe_source(self):
        with open(env_path("PROBE_SOURCE")) as f:
            return f.read()

    def variant(self, old, new):
        source = self.probe_source()
        self.assertIn(old, source, "the probe source changed; update the variant")
        return source.replace(old, new, 1)

    def test_probe_source_rebuilds_to_the_same_bytes(self):
        with tempfile.TemporaryDirectory() as tmp:
            target = os.path.join(tmp, "TvqVersion.class")
            done = self.rewrite(self.compile(tmp, self.probe_source()), target)
            self.assertEqual(done.returncode, 0, done.stderr)
            with open(target, "rb") as f:
                rebuilt = f.read()
        with open(os.path.join(env_path("PROBE_CLASS_DIR"), "TvqVersion.class"), "rb") as f:
            self.assertEqual(rebuilt, f.read())

    def test_class_compiled_for_java_11_is_rejected(self):
        with tempfile.TemporaryDirectory() as tmp:
            target = os.path.join(tmp, "TvqVersion.class")
            done = self.rewrite(self.compile(tmp, self.probe_source(), release="11"), target)
            self.assertEqual(done.returncode, 1)
            self.assertIn("class-file version 55.0", done.stderr)


def add_rewriter_tests():
    for number, (name, old, new, message) in enumerate(REJECTED_VARIANTS, 1):
        def test(self, old=old, new=new, message=message):
            with tempfile.TemporaryDirectory() as tmp:
                compiled = self.compile(tmp, self.variant(old, new))
                target = os.path.join(tmp, "TvqVersion.class")
                with open(target, "wb") as f:
                    f.write(b"stale output of an earlier run")
                done = self.rewrite(compiled, target)
                self.assertEqual(done.returncode, 1, done.stderr)
                self.assertIn(message, done.stderr)
                self.assertEqual(done.stdout, "")
                self.assertFalse(os.path.exists(target), "a rejected class left output")
        test.__name__ = "test_rejects_%02d_%s" % (number, slug(name))
        test.__doc__ = "rejects %s" % name
        setattr(MakeClass45, test.__name__, test)

    for number, (name, old, new) in enumerate(ACCEPTED_VARIANTS, 1):
        def test(self, old=old, new=new):
            with tempfile.TemporaryDirectory() as tmp:
                compiled = self.compile(tmp, self.variant(old, new))
                out_dir = os.path.join(tmp, "out")
                os.makedirs(out_dir)
                done = self.rewrite(compiled, os.path.join(out_dir, "TvqVersion.class"))
                self.assertEqual(done.returncode, 0, done.stderr)
                java = env_path("PROBE_FULL_JAVA")
                self.assertAnswer(run_probe(java, ["A:A:A"], class_dir=out_dir), True)
                self.assertAnswer(run_probe(java, ["1.3:A:A"], class_dir=out_dir), False)
        test.__name__ = "test_accepts_%02d_%s" % (number, slug(name))
        test.__doc__ = "passes through %s" % name
        setattr(MakeClass45, test.__name__, test)


add_rewriter_tests()


if __name__ == "__main__":
    unittest.main()
