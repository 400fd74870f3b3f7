#!/usr/bin/env python3
# The probe class TvqVersion on two real JVMs, and the layout of its class
# file. Run by CTest: test_probe.py BUILT_CLASS FULL_JAVA BASE_JAVA EXIT_STATUS_RECORDER JAVAC
import os, struct, subprocess, sys, tempfile, unittest

BUILT, FULL_JAVA, BASE_JAVA, RECORDER, JAVAC = [sys.argv.pop(1) for _ in range(5)]
ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")

# The alternatives given as arguments -> the verdict on the full JDK and on a
# java.base-only runtime, which lacks java.awt.event.ActionEvent like a 1.0 VM:
# the version fields in requirements.txt, which wendle-pack reads too, and the
# vendor and system fields here. This JDK is 17, its java.vendor "Debian", its
# os.name "Linux".
with open(os.path.join(ROOT, "tests", "probe", "requirements.txt")) as table:
    REQUIREMENTS = [(words[2:], words[0] == "yes", words[1] == "yes")
                    for words in (line.split() for line in table if not line.startswith("#"))]
REQUIREMENTS += [
    ([], False, False),
    (["A:Any:A"], False, False),     # only "A" means any vendor; "Any" is a prefix
    (["A:Deb:Lin"], True, True),
    (["A:debian:A"], False, False),  # prefixes count letter case
    (["A:A:linux"], False, False),
    (["A::"], True, True),           # empty prefixes match everything
    (["A:A:x:y"], False, False),     # the system field is everything behind the second ":"
    (["A:A:Linux:"], False, False),
    (["17+:Eclipse:A"], False, False),
]

# A VM of class-file version 45, as 1.0 and 1.1 VMs are: java.version tells.
OLD_VMS = [("1.1.8", ["1-1:A:A"], True), ("1.1.8", ["2+:A:A"], False), ("1.0.2", ["0-0:A:A"], True),
           ("1.0.2", ["1+:A:A"], False)]
OLD_VM = """public class OldVm { public static void main(String[] a) {
    System.setProperty("java.class.version", "45.3");
    System.setProperty("java.version", a[0]);
    TvqVersion.main(java.util.Arrays.copyOfRange(a, 1, a.length)); } }"""


def probe(java, args, main="TvqVersion", classes=os.path.dirname(BUILT)):
    with tempfile.TemporaryDirectory() as tmp:
        quiet = ("JAVA_TOOL_OPTIONS", "_JAVA_OPTIONS", "JDK_JAVA_OPTIONS", "CLASSPATH")
        env = {k: v for k, v in os.environ.items() if k not in quiet}  # the VM names them on stderr
        env.update(LD_PRELOAD=RECORDER, WENDLE_EXIT_STATUS_FILE=os.path.join(tmp, "status"))
        # The line separator is the VM's: Windows VMs end the answer with CR LF.
        done = subprocess.run([java, "-Dline.separator=\r\n", "-cp", classes, main, *args],
                              capture_output=True, env=env, timeout=60)
        # Linux keeps 8 bits of the status (314 arrives as 58): the recorder has all of it.
        with open(env["WENDLE_EXIT_STATUS_FILE"]) as f:
            return done.stdout, done.stderr, int(f.read())


CONSTANT_SIZES = {3: 4, 4: 4, 5: 8, 6: 8, 7: 2, 8: 2, 9: 4, 10: 4, 11: 4, 12: 4}  # tags of 1.0


def constant_pool(data):
    pool, at = [None], 10
    while len(pool) < struct.unpack_from(">H", data, 8)[0]:
        tag = data[at]
        size = 2 + struct.unpack_from(">H", data, at + 1)[0] if tag == 1 else CONSTANT_SIZES[tag]
        body = data[at + 1:at + 1 + size]
        value = body[2:].decode() if tag == 1 else struct.unpack(">%dH" % (size // 2), body)
        pool.append((tag, value))
        pool += [None] * (tag in (5, 6))  # longs and doubles take two slots
        at += 1 + size
    return pool


# The members of the Java 1.0 class library that the probe may use, and its own bail().
ALLOWED = {
    ("java/lang/String", "indexOf"), ("java/lang/String", "substring"),
    ("java/lang/String", "length"), ("java/lang/String", "startsWith"),
    ("java/lang/String", "equals"), ("java/lang/System", "getProperty"),
    ("java/lang/System", "exit"), ("java/lang/System", "out"), ("java/io/PrintStream", "print"),
    ("java/lang/Class", "forName"), ("java/lang/Object", "<init>"), ("java/lang/String", "charAt"),
    ("TvqVersion", "bail"), ("TvqVersion", "inVersionRange"), ("TvqVersion", "featureVersion"),
    ("TvqVersion", "versionNumber")}


class Probe(unittest.TestCase):
    def test_verdicts_on_both_runtimes(self):
        for args, on_full, on_base in REQUIREMENTS:
            for java, suitable in ((FULL_JAVA, on_full), (BASE_JAVA, on_base)):
                with self.subTest(args=args, java=java):
                    expected = (b"YES\r\n", b"", 314) if suitable else (b"NO\r\n", b"", 159)
                    self.assertEqual(probe(java, args), expected)

    def test_versions_of_vms_that_predate_the_feature_version(self):
        with tempfile.TemporaryDirectory() as tmp:
            with open(os.path.join(tmp, "OldVm.java"), "w") as f:
                f.write(OLD_VM)
            subprocess.run([JAVAC, "-cp", os.path.dirname(BUILT), "-d", tmp, f.name], check=True)
            for version, args, suitable in OLD_VMS:
                with self.subTest(version=version, args=args):
                    verdict = probe(FULL_JAVA, [version, *args], "OldVm", tmp + os.pathsep + os.path.dirname(BUILT))
                    self.assertEqual(verdict, (b"YES\r\n", b"", 314) if suitable else (b"NO\r\n", b"", 159))

    def test_committed_class_loads_on_a_1_0_vm(self):
        with open(os.path.join(ROOT, "res", "TvqVersion.class"), "rb") as f:
            data = f.read()
        self.assertEqual(data[:8], b"\xca\xfe\xba\xbe\x00\x03\x00\x2d")  # version 45.3
        self.assertNotIn(b"StackMapTable", data)
        pool = constant_pool(data)  # a tag above 12 is a KeyError

        def text(index):  # a Utf8 constant, or the name that a Class or NameAndType names
            tag, value = pool[index]
            return value if tag == 1 else text(value[0])
        # Every field and method it uses, and every class it names, is in the 1.0 library.
        members = {(text(e[1][0]), text(e[1][1])) for e in pool if e and e[0] in (9, 10, 11)}
        self.assertLessEqual(members, ALLOWED)
        classes = {text(i) for i, e in enumerate(pool) if e and e[0] == 7}
        self.assertLessEqual(classes, {c for c, _ in ALLOWED} | {"java/lang/Throwable"})


unittest.main()
