#!/usr/bin/env python3
# wendle-pack through its command line, on files written here; with WINE set
# (tests/support/wine-run --unix), wendle-pack.exe under that Wine loader.
# Run by CTest: test_pack.py WENDLE_PACK [GROUP]
import io, json, os, re, zipfile, pathlib, struct, subprocess, sys, tarfile, tempfile, unittest

PACK = sys.argv.pop(1)
WINE = os.environ.get("WINE")
ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")
CLASS = b"\xca\xfe\xba\xbe" + bytes(range(60))  # all that wendle-pack asks of a class file
CHECKSUM, SECURITY = 0x98, 0xD8  # where minimal_pe has the two fields a signing tool writes


def patched(file, offset, form, *values):
    file = bytearray(file)
    struct.pack_into("<" + form, file, offset, *values)
    return bytes(file)


def minimal_pe(size=0x400):
    # The smallest executable osslsigncode signs: "MZ", at 0x3C the offset of "PE" (0x40),
    # at 0x54 the size of the optional header (0xE0), at 0x58 its magic (PE32), at 0xB4
    # the number of data directories (16); zeros up to size.
    return patched(bytes(size), 0, "2s58xI2s18xH2xH90xI", b"MZ", 0x40, b"PE", 0xE0, 0x10B, 16)


STUB = minimal_pe()
PE32_PLUS = patched(patched(STUB, 0x58, "H", 0x20B), 0xC4, "I", 16)  # directories 16 bytes later


def entry(name, data, kind=0, length=None):
    header = struct.pack("<II", kind, len(data) if length is None else length)
    return b"tvq" + name + b"\0" + header + data


def packed(*entries, stub=STUB, padding=b"", first=None):
    trailer = struct.pack("<I", len(stub) if first is None else first)
    return stub + b"".join(entries) + padding + trailer


def aligned(file, n=8):  # zeros in front of the trailer up to a multiple of n
    return file[:-4] + bytes(-len(file) % n) + file[-4:]


def signed(file, directory=SECURITY):  # as a signing tool leaves it: the table at the end
    return patched(file, directory, "II", len(file), 0x100) + b"\x30" * 0x100


GOOD = (entry(b"CommandLine", b"1.1:A:A\0"), entry(b"URL", b"http://x/\0"),
        entry(b"Setup.class", CLASS))
SIGNED = signed(packed(*GOOD))
OPTIONS = {"--stub": "Wendle.exe", "--requirement": "1.1:A:A", "--url": "http://x/",
           "--class": "Setup.class", "-o": "setup.exe"}


def build(changes={}, extra=()):  # the build command line; None leaves an option out
    options = [(o, v) for o, v in dict(OPTIONS, **changes).items() if v is not None]
    return ["build"] + [a for option in options for a in option] + list(extra)


def run(args, cwd):
    if WINE:  # bytes as code page 1252 has them; its C run-time writes CR LF
        args = [WINE, PACK, *(a.decode("cp1252") if isinstance(a, bytes) else a for a in args)]
        done = subprocess.run(args, cwd=cwd, capture_output=True)
        return done.returncode, *(t.decode("latin-1").replace("\r\n", "\n") for t in (done.stdout, done.stderr))
    done = subprocess.run([PACK, *args], cwd=cwd, capture_output=True)
    return done.returncode, done.stdout.decode("latin-1"), done.stderr.decode("latin-1")


def tree(folder):  # every file and folder below folder, with the files' bytes
    paths = pathlib.Path(folder).rglob("*")
    return {str(p.relative_to(folder)): p.read_bytes() if p.is_file() else None for p in paths}


class Case(unittest.TestCase):
    def folder(self, files={}):  # a scratch folder with a stub, a class file and files
        tmp = tempfile.TemporaryDirectory()
        self.addCleanup(tmp.cleanup)
        for name, data in {"Wendle.exe": STUB, "Setup.class": CLASS, **files}.items():
            path = pathlib.Path(tmp.name, name)
            path.parent.mkdir(parents=True, exist_ok=True)
            path.symlink_to(data) if isinstance(data, str) else path.write_bytes(data)  # a str: a link
        return tmp.name


RELEASE = b'IMPLEMENTOR="Test"\nJAVA_VERSION="17.0.15"\nMODULES="java.base"\n'
# A stand-in Windows runtime image as jlink makes it; the launcher runs only bin/java.exe.
RT = {"rt/bin/java.exe": STUB, "rt/release": RELEASE, "rt/lib/modules": bytes(range(256)) * 41,
      "rt/conf/security/java.policy": b"grant {};\n", "rt/legal/java.base/LICENSE": b""}
RUN = ["--runtime", "rt"]
JAR = {"--class": None}  # the options of a jar build, and with a requirement it can serve
JAR8 = {"--class": None, "--requirement": "8+:A:A"}
def ico(*images, count=None):  # an icon file of (bytes of data, offset or None) images
    offset, entries = 6 + 16 * len(images), b""
    for data, at in images:
        entries += struct.pack("<BBBBHHII", 32, 32, 0, 0, 1, 32, len(data), offset if at is None else at)
        offset += len(data)
    return struct.pack("<HHH", 0, 1, len(images) if count is None else count) + entries + b"".join(d for d, _ in images)


BMP = struct.pack("<I", 40) + bytes(36)
ICON = ["--icon", "i.ico"]
# Refused builds: (what, options changed (None: left out), arguments added, files written
# beside the stub and the class file, what the message says).
REFUSALS = [
    ("a stub with a payload", {"--stub": "p.exe"}, [], {"p.exe": packed(*GOOD)}, "already carries"),
    ("a signed stub", {"--stub": "signed.exe"}, [], {"signed.exe": signed(STUB)}, "is signed"),
    ("a class file name of 20 characters", {"--class": "ABCDEFGHIJKLMN.class"}, [],
     {"ABCDEFGHIJKLMN.class": CLASS}, "has 20 characters"),
    ("a requirement of 260 characters", {"--requirement": "A" * 260}, [], {}, "has 260 char"),
    ("a download address of 260 characters", {"--url": "u" * 260}, [], {}, "the URL has 260"),
    ("a class file without CA FE BA BE", {}, [], {"Setup.class": b"PK\3\4" + CLASS}, "CA FE BA BE"),
    ("a class file of two bytes", {}, [], {"Setup.class": b"\xca\xfe"}, "CA FE BA BE"),
    ("a class file named a.bin", {"--class": "a.bin"}, [], {"a.bin": CLASS}, 'not end in ".class"'),
    ("a class file named C:a.class", {"--class": "C:a.class"}, [], {"C:a.class": CLASS}, "does not allow"),
    ("a stub that does not exist", {"--stub": "no.exe"}, [], {}, "cannot read no.exe"),
    ("a stub that is a folder", {"--stub": "sub"}, [], {"sub/x": b""}, "cannot read sub"),
    ("a class file that does not exist", {"--class": "No.class"}, [], {}, "cannot read No.class"),
    # Its trailer 0x717674 would read as "tvq", the start of one more entry.
    ("a stub of 0x717674 bytes", {}, [], {"Wendle.exe": minimal_pe(0x717674)}, "entry's magic"),
    ("an output in a missing folder", {"-o": "no/setup.exe"}, [], {}, "cannot create"),
    ("an output that is a folder", {"-o": "sub"}, [], {"sub/x": b""}, "cannot rename"),
    ("--align 24", {}, ["--align", "24"], {}, "--align 24: not a power of two from 1 to 65536"),
    ("--align 131072", {}, ["--align", "131072"], {}, "not a power of two"),
    ("--align 0", {}, ["--align", "0"], {}, "not a power of two"),
    ("--align 8x", {}, ["--align", "8x"], {}, "not a power of two"),
    ("no --url", {"--url": None}, [], {}, "build needs --url"),
    ("--url twice", {}, ["--url", "http://y/"], {}, "option --url given twice"),
    ("-o without its value", {"-o": None}, ["-o"], {}, "option -o needs a value"),
    ("an unknown option", {}, ["--forse"], {}, "unknown option --forse"),
    ("a stray argument", {}, ["Other.class"], {}, "unexpected argument Other.class"),
    # Installer jars and files beside the installer.
    ("a jar for VMs older than Java 8", JAR, ["--jar", "s.jar"], {"s.jar": b"PK\3\4"}, 'for instance "8+:A:A"'),
    ("a jar for Java 7 to 17", dict(JAR, **{"--requirement": "7-17:A:A"}), ["--jar", "s.jar"],
     {"s.jar": b"PK\3\4"}, '"8-17:A:A"'),
    ("a jar that is no zip file", JAR8, ["--jar", "s.jar"], {"s.jar": CLASS}, "not a jar"),
    ("--class and --jar", {}, ["--jar", "s.jar"], {"s.jar": b"PK\3\4"}, "not both"),
    ("a file name of 20 characters", {}, ["--file", "t/twenty-characters.tx"], {"t/twenty-characters.tx": b""}, "at most 19"),
    ("a file named like the jar", JAR8, ["--jar", "s.jar", "--file", "t/installer.JAR"],
     {"s.jar": b"PK\3\4", "t/installer.JAR": b""}, "clashes"),
    ("a file given twice", {}, ["--file", "a", "--file", "a"], {"a": b""}, "clashes"),
    # Runtimes.
    ("a runtime without bin/java.exe", {}, RUN, {"rt/release": RELEASE}, "has no bin/java.exe"),
    ("a runtime for Linux", {}, RUN, {**RT, "rt/bin/java.exe": b"\x7fELF" + STUB}, "not a Windows executable"),
    ("a release without JAVA_VERSION", {}, RUN, {**RT, "rt/release": b"JAVA_HOME=x\n"}, "JAVA_VERSION"),
    ("a Java 11 runtime for 17+", {"--requirement": "17+:A:A"}, RUN,
     {**RT, "rt/release": b'JAVA_VERSION="11.0.2"\n'}, 'accepts no Java 11, which the runtime is'),
    ("a link in a runtime", JAR8, ["--jar", "s.jar", *RUN], {**RT, "s.jar": b"PK\3\4", "rt/lib/l": "modules"}, "is a link"),
    ("a runtime file named CON", {"--requirement": "17+:A:A"}, RUN, {**RT, "rt/conf/CON.txt": b""}, "Windows cannot write"),
    ("a trailing dot", {"--requirement": "17+:A:A"}, RUN, {**RT, "rt/lib/x.": b""}, "Windows cannot write"),
    ("two letter cases", {"--requirement": "17+:A:A"}, RUN, {**RT, "rt/lib/Modules": b""}, "only in letter case"),
    ("a path of 100 characters", {"--requirement": "17+:A:A"}, RUN, {**RT, "rt/lib/" + "p" * 96: b""}, "more than 99"),
    ("no runtime folder", {}, RUN, {}, "--runtime rt is not a folder"),
    ("a file named like the runtime, without one", {}, ["--file", "t/Runtime.TAR"], {"t/Runtime.TAR": b""},
     "never extracts as a file; rename the file"),
    # Brands, refused before the stub's resources are read.
    ("a name of 101 characters", {}, ["--name", "\u00e9" * 101], {}, "--name has 101 characters; at most 100"),
    ("a line feed in a name", {}, ["--name", "a\nb"], {}, "control character U+000A at character 2"),
    ("a company not in UTF-8", {}, ["--company", b"\xe9t\xe9"], {}, "--company: the text is not UTF-8"),
    ("an empty copyright", {}, ["--copyright", ""], {}, "option --copyright is empty"),
    *(("--version " + v, {}, ["--version", v], {}, "not two to four numbers of 0 to 65535")
      for v in ("3", "1.2.3.4.5", "1.65536", "1..2", "1.2-beta")),
    ("an icon with a bitmap's header", {}, ICON, {"i.ico": b"BM" + bytes(60)}, "not an icon file"),
    ("an icon without images", {}, ICON, {"i.ico": ico()}, "holds 0 images; an icon needs 1 to 64"),
    ("an icon of 65 images", {}, ICON, {"i.ico": ico(*[(BMP, None)] * 65)}, "holds 65 images"),
    ("an icon whose directory is cut", {}, ICON, {"i.ico": ico((BMP, None), count=5)}, "directory of 5 images reaches past"),
    ("an icon image past the end", {}, ICON, {"i.ico": ico((BMP, None), (BMP, 100))}, "image 2 of 2 (40 bytes at 100) reaches past"),
    ("an icon image that is no picture", {}, ICON, {"i.ico": ico((b"GIF89a" + bytes(40), None))}, "neither a PNG image nor a bitmap"),
    ("a stub without resources", {}, ["--name", "Hello"], {}, "stub Wendle.exe has no resource section"),
    # JVM options and installer arguments.
    ("a JVM option without a dash", {}, ["--jvm-option", "Xmx1g"], {}, 'does not begin with "-"'),
    ("an argument outside ASCII", {}, ["--arg", "\xe9t\xe9"], {}, "byte above 127"),
    ("an argument with a line feed", {}, ["--arg", "a\nb"], {}, "control character"),
    ("a command line too long for Windows", {}, ["--arg", "a" * 32000, "--jvm-option", "-D" + "x" * 300], {},
     "could reach 32838 characters"),
    ("a file named like the arguments", {}, ["--file", "wendlearguments"], {"wendlearguments": b""},
     "the installer's arguments"),
    ("seven files beside a jar", JAR8, ["--jar", "s.jar", *(a for i in range(7) for a in ("--file", str(i)))],
     {"s.jar": b"PK\3\4", **{str(i): b"" for i in range(7)}}, "at most 6"),
]


class Build(Case):
    def test_refusals_leave_everything_as_it_was(self):
        for what, changes, extra, files, message in REFUSALS:
            if WINE and "rt/lib/l" in files:
                continue  # Wine shows a link as the file it points at
            if WINE and any(isinstance(a, bytes) for a in extra):
                continue  # a Windows command line is UTF-16: every text on it converts to UTF-8
            for old_output in ({}, {"setup.exe": b"the previous setup.exe"}):
                with self.subTest(what, over_an_old_output=bool(old_output)):
                    folder = self.folder({**files, **old_output})
                    before = tree(folder)
                    status, out, err = run(build(changes, extra), folder)
                    self.assertEqual((status, out), (2, ""))
                    self.assertIn(message, err)
                    self.assertEqual(tree(folder), before)  # no output, no partial file

    def test_the_packed_bytes(self):  # (what, files written, options changed, arguments added, the packed file)
        name, data = b"ABCDEFGHIJKLM.class", CLASS * 40000  # 19 characters, 2.5 MB
        rows = [("a stub of %d bytes, --align %d" % (size, align), {"Wendle.exe": minimal_pe(size)}, {}, extra,
                 aligned(packed(*GOOD, stub=minimal_pe(size)), align))
                for size in range(0x400, 0x408) for align, extra in ((8, []), (1, ["--align", "1"]), (65536, ["--align", "65536"]))]
        rows += [
            ("the longest settings and a class copied in pieces", {name.decode(): data},
             {"--requirement": "r" * 259, "--url": "u" * 259, "--class": name.decode()}, [],
             aligned(packed(entry(b"CommandLine", b"r" * 259 + b"\0"), entry(b"URL", b"u" * 259 + b"\0"), entry(name, data)))),
            ("--force replaces an old payload in place", {"setup.exe": packed(entry(b"CommandLine", b"A:A:A\0"), padding=bytes(5))},
             {"--stub": "setup.exe"}, ["--force"], aligned(packed(*GOOD))),
            # Windows reads sub\\d.txt as d.txt in sub; this system as a file of that name.
            ("a --file path with a backslash", {"sub/d.txt": b"d", "sub\\d.txt": b"d"}, {}, ["--file", "sub\\d.txt"],
             aligned(packed(*GOOD, entry(b"d.txt", b"d")))),
        ]
        for what, files, changes, extra, expected in rows:
            with self.subTest(what):
                folder = self.folder(files)
                self.assertEqual(run(build(changes, extra), folder), (0, "", ""))
                self.assertEqual(tree(folder)["setup.exe"], expected)

    def test_sizes_beyond_32_bit_offsets(self):  # sparse files: nothing is read
        end = len(aligned(packed(*GOOD, entry(b"a", b""), entry(b"b", b"")))) + (6 << 30)
        for changes, extra, sizes, message in (
                ({"--requirement": "17+:A:A"}, RUN, {"rt/lib/modules": 1 << 32},
                 "offsets in the payload end below 4 GB (the runtime's archive takes 4294"),
                ({}, ["--file", "a", "--file", "b"], {"a": 3 << 30, "b": 3 << 30}, "would be %d bytes; offsets" % end)):
            with self.subTest(message):
                folder = self.folder(RT)
                for name, size in sizes.items():
                    with open(os.path.join(folder, name), "ab") as f:
                        f.truncate(size)
                before = os.listdir(folder)
                status, out, err = run(build(changes, extra), folder)
                self.assertEqual((status, os.listdir(folder)), (2, before))
                self.assertIn(message, err)

    def test_requirements_read_as_the_probe_reads_them(self):  # on a Java 17 runtime, with java.desktop or without
        with open(os.path.join(ROOT, "tests", "probe", "requirements.txt")) as f:
            rows = [line.split() for line in f if not line.startswith("#")]
        for full, base, *alternatives in rows:
            for modules, meets in (("java.base java.desktop", full), ("java.base", base)):
                with self.subTest(alternatives, modules=modules):
                    files = {**RT, "rt/release": b'JAVA_VERSION="17.0.15"\nMODULES="%s"\n' % modules.encode()}
                    status, _, err = run(build({"--requirement": " ".join(alternatives)}, RUN), self.folder(files))
                    refusal = "accepts no Java 17" + (", which" if "desktop" in modules else " without the module java.desktop")
                    self.assertEqual((status, refusal in err), (0, False) if meets == "yes" else (2, True), err)

    def test_jvm_options_and_arguments_are_quoted_and_listed(self):
        folder = self.folder()
        extra = ["--jvm-option", "-Xmx1g", "--arg", "/S", "--jvm-option", "-Dk=a b",
                 "--arg", 'say "hi"', "--arg", "C:\\my dir\\", "--arg", "", "--arg", "a\\b", "--arg", "*.cfg"]
        self.assertEqual(run(build({}, extra), folder), (0, "", ""))
        listing = json.loads(run(["list", "--json", "setup.exe"], folder)[1])
        self.assertEqual([e["name"] for e in listing["entries"]][2:], ["Setup.class", "WendleJvmOptions", "WendleArguments"])
        self.assertEqual((listing["jvmOptions"], listing["arguments"]),
                         ('-Xmx1g "-Dk=a b"', '/S "say \\"hi\\"" "C:\\my dir\\\\" "" a\\b "*.cfg"'))


def tar(*members, change=lambda archive: archive):  # (name, tarfile type, data), POSIX ustar
    out = io.BytesIO()
    with tarfile.open(fileobj=out, mode="w", format=tarfile.USTAR_FORMAT) as archive:
        for name, kind, data in members:
            info = tarfile.TarInfo(name)
            info.type, info.size = kind, len(data)
            archive.addfile(info, io.BytesIO(data))
    return change(out.getvalue())


F, D = tarfile.REGTYPE, tarfile.DIRTYPE
JAVA = (("bin", D, b""), ("bin/java.exe", F, STUB), ("release", F, b'JAVA_VERSION="17.0.15"\n'))


def with_runtime(*members, change=lambda archive: archive):
    return packed(*GOOD, entry(b"runtime.tar", tar(*JAVA, *members, change=change)))


def behind_last_header(blocks):  # cuts an archive that many blocks behind its last header's start
    return lambda archive: archive[:archive.rindex(b"ustar\x0000") - 257 + 512 * blocks]


def setting(requirement=b"A:A:A", url=b"http://x/"):
    return packed(entry(b"CommandLine", requirement + b"\0"), entry(b"URL", url + b"\0"), GOOD[2])


# verify: (what, the file, exit status, a phrase of its report); warnings leave status 0.
VERIFY = [
    ("a well-formed file", packed(*GOOD), 0, "setup.exe: ok: 3 entries; not signed"),
    ("names in other letter case", packed(entry(b"COMMANDLINE", b"A:A:A\0"), entry(b"url", b"x\0"),
                                          entry(b"a.CLASS", CLASS)), 0, "ok: 3"),
    ("every version the probe knows", setting(b"1.0:A:A 1.1:x:y 1.2:: Any:A:A"), 0, "ok: 3 e"),
    ("zero padding", packed(*GOOD, padding=bytes(13)), 0, "ok: 3 entries; not"),
    ("the longest names and settings, ten entries", packed(
        entry(b"CommandLine", b"A:A:A" + b" " * 254 + b"\0"), entry(b"URL", b"u" * 259 + b"\0"),
        entry(b"ABCDEFGHIJKLM.class", CLASS), *(entry(b"%d" % i, b"") for i in range(7))),
     0, "ok: 10"),
    ("a trailer beyond the file", packed(*GOOD, first=5000), 1, "beyond the end of the file"),
    ("a trailer pointing into the stub", packed(*GOOD, first=0), 1, "where no entry starts"),
    ("a trailer pointing at the file's end", packed(first=len(STUB) + 4), 1, "not in front of"),
    ("a file shorter than a trailer", b"tvq", 1, "shorter than the 4-byte trailer"),
    ("the magic in other case", packed(b"TVQ" + GOOD[0][3:], *GOOD[1:]), 1, 'starts with "TVQ"'),
    ("eleven entries", packed(*GOOD, *(entry(b"%d" % i, b"") for i in range(8))), 1, "than ten"),
    ("a name of 20 characters", packed(*GOOD, entry(b"N" * 20, b"")), 1, "a name of 20 char"),
    ("an entry of kind 1", packed(*GOOD, entry(b"x", b"", kind=1)), 1, "has kind 1"),
    ("data reaching into the trailer", packed(*GOOD[:2], entry(b"Setup.class", CLASS, length=65)),
     1, "65 bytes of data reach past the trailer"),
    ("a header reaching into the trailer", packed(*GOOD, b"tvqx\0\0\0"), 1, "header runs into"),
    ("bytes that are no padding", packed(*GOOD, padding=b"\0x"), 1, "neither an entry nor zero"),
    ("a requirement without its NUL", packed(entry(b"CommandLine", b"A:A:A"), *GOOD[1:]), 1,
     "hold no NUL"),
    ("a download address of 260 characters", setting(url=b"u" * 260), 1, "address has 260"),
    ("the requirement second", packed(GOOD[1], GOOD[0], GOOD[2]), 1, 'entry 0 is named "URL"'),
    ("no URL second", packed(GOOD[0], entry(b"Add", b"x\0"), GOOD[2]), 1, 'entry 1 is named "Add"'),
    ("no installer class", packed(*GOOD[:2]), 1, "and finds 2"),
    ("a class without CA FE BA BE", packed(*GOOD[:2], entry(b"a.class", b"PK\3\4")), 1, "CA FE BA BE"),
    ("a class not named .class", packed(*GOOD[:2], entry(b"Setup.jar", CLASS)), 1, "not end in"),
    ("an alternative with one colon", setting(b"A:A 1.1:A:A"), 1, '"A:A" is not of the form'),
    ("no alternative that can match", setting(b"1.3:A:A a:A:A 8x+:A:A 1.8.0+:A:A 8-17x:A:A"), 1, "no alternative of the"),
    ("an empty requirement", setting(b""), 1, "has no alternatives"),
    ("a payload behind a signature", packed(*GOOD, stub=signed(STUB)), 1, "error: the payload"),
    ("a certificate table past the end", patched(packed(*GOOD), SECURITY, "II", 0x500, 0x10000),
     1, "does not lie inside the file"),
    ("a certificate table of 0 bytes", patched(packed(*GOOD), SECURITY, "II", 0x400, 0),
     1, "does not lie inside the file"),
    ("a signed PE32+ file", signed(packed(*GOOD, stub=PE32_PLUS), 0xE8), 0, "3 entries; signed"),
    # Headers that do not lead to the security directory: the file counts as unsigned,
    # and the end of the certificate table is taken for the trailer.
    ("a signed file without MZ", b"ZM" + SIGNED[2:], 1, "beyond the end"),
    ("a signed file without PE", patched(SIGNED, 0x40, "2s", b"NE"), 1, "beyond the end"),
    ("a signed file of an unknown kind", patched(SIGNED, 0x58, "H", 0x107), 1, "beyond the end"),
    ("a signed file with four data directories", patched(SIGNED, 0xB4, "I", 4), 1, "beyond the"),
    ("a signed file with a short optional header", patched(SIGNED, 0x54, "H", 128), 1, "beyond"),
    ("an alternative that never matches", setting(b"1.3:A:A\tA:A:A"), 0, '"1.3:A:A" can never'),
    ("an empty download address", setting(url=b""), 0, "warning: the download address is empty"),
    ("bytes behind a setting's NUL", packed(entry(b"CommandLine", b"A:A:A\0xyz"), *GOOD[1:]), 0,
     'warning: entry 0 ("CommandLine"): the 3 bytes behind the NUL'),
    ("two entries of one name", packed(*GOOD, entry(b"setup.CLASS", b"")), 0, "name of entry 2"),
    ("a dot in the class name", packed(*GOOD[:2], entry(b"a.b.class", CLASS)), 0, "holds a dot"),
    ("a blank in the class name", packed(*GOOD[:2], entry(b"a b.class", CLASS)), 0, "a blank"),
    ("a double quote in the requirement", setting(b'A:"S:A'), 0, "holds a double quote"),
    ("a jar for VMs older than Java 8", packed(GOOD[0], GOOD[1], entry(b"WendleJar.class", CLASS),
                                              entry(b"installer.jar", b"PK\3\4")), 0, "lets in VMs older than Java 8"),
    ("a jar payload without its jar", packed(*GOOD[:2], entry(b"WendleJar.class", CLASS)), 1, "installer.jar"),
    ("JVM options and arguments", packed(*GOOD, entry(b"WendleJvmOptions", b'-Da="b c"\0'),
                                        entry(b"WendleArguments", b"/S\0")),
     0, 'ok: 5 entries, JVM options -Da="b c", installer arguments /S; not signed'),
    ("arguments outside ASCII", packed(*GOOD, entry(b"WendleArguments", b"\xe9\0")), 1, "byte above 127"),
    ("JVM options without a NUL", packed(*GOOD, entry(b"WendleJvmOptions", b"-X")), 1, "holds no NUL"),
    ("a runtime", with_runtime(), 0, "ok: 4 entries, a Java 17.0.15 runtime of 2 files; not signed"),
    ("a runtime with a way up", with_runtime(("bin/../../x", F, b"")), 1, 'part ".." is refused'),
    ("a runtime with a device", with_runtime(("bin/AUX.dll", F, b"")), 1, 'part "AUX.dll" is refused'),
    ("a runtime with a link", with_runtime(("x", tarfile.SYMTYPE, b"")), 1, "a link; the launcher writes only"),
    ("a runtime whose data is cut", with_runtime(("x", F, b"x"), change=behind_last_header(1)), 1, "reach past the end"),
    ("a runtime without end block", with_runtime(("x", F, b"x"), change=behind_last_header(2)), 1, "without its end"),
    ("a runtime with a wrong checksum", with_runtime(("zz", F, b""), change=lambda a: a.replace(b"zz\0", b"zy\0")), 1,
     "checksum is wrong"),
    ("a runtime with a path twice", with_runtime(("BIN/java.exe", F, b"")), 1, "twice (letter case ignored)"),
    ("a runtime with a folder missing", with_runtime(("lib/x", F, b"")), 1, "folder is not in front of it"),
    ("a runtime without java.exe", packed(*GOOD, entry(b"runtime.tar", tar(JAVA[2]))), 1, "no bin/java.exe"),
]


class Verify(Case):
    def test_findings(self):
        for what, file, status, phrase in VERIFY:
            with self.subTest(what):
                result = run(["verify", "setup.exe"], self.folder({"setup.exe": file}))
                self.assertEqual(result[0], status, result[1])
                self.assertIn(phrase, result[1])

    def test_entry_names_that_the_launcher_may_write(self):
        with open(os.path.join(ROOT, "tests", "payload", "entry_names.txt"), "rb") as f:
            rows = [line.rstrip(b"\n").split(b"\t") for line in f if not line.startswith(b"#")]
        for phrase, name in ((p.decode(), re.sub(rb"\\x(..)", lambda m: bytes([int(m[1], 16)]), n)) for p, n in rows):
            ok = phrase == "ok"
            with self.subTest(name):
                status, report, _ = run(["verify", "setup.exe"], self.folder({"setup.exe": packed(*GOOD, entry(name, b""))}))
                self.assertEqual((status, ("ok: 4 entries" if ok else phrase) in report), (0 if ok else 1, True), report)
                if name in (b"", b".", b"..") or re.search(rb"[/\\]", name):
                    continue  # no file here can have that name
                name = name.decode("cp1252") if WINE else os.fsdecode(name)
                status, _, err = run(build({}, ["--file", name]), self.folder({name: b""}))
                self.assertEqual((status, err if ok else phrase in err and "; rename the file" in err), (0, "") if ok else (2, True))


class ListAndExtract(Case):
    def test_list_and_list_json(self):
        requirement = b'1.1:A:"S\\\xe9'  # a quote, a backslash and a byte above 127
        folder = self.folder()
        self.assertEqual(run(build({"--requirement": requirement}), folder)[0], 0)
        expected, offset = [], len(STUB)
        lengths = (("CommandLine", len(requirement) + 1), ("URL", 10), ("Setup.class", 64))
        for name, length in lengths:
            data = offset + 3 + len(name) + 1 + 8  # behind "tvq", the name, NUL, kind, length
            expected.append({"name": name, "kind": 0, "length": length, "offset": offset,
                             "dataOffset": data})
            offset = data + length
        size = (offset + 4 + 7) // 8 * 8
        text = run(["list", "--json", "setup.exe"], folder)[1]
        self.assertTrue(text.isascii())  # bytes above 127 are written as \u0080 to \u00FF
        listing = json.loads(text)
        self.assertEqual(listing.pop("entries"), expected)
        self.assertEqual(listing, {
            "file": "setup.exe", "size": size, "certificateTable": None, "trailer": size - 4,
            "firstEntry": len(STUB), "padding": size - 4 - offset,
            "requirement": requirement.decode("latin-1"), "url": "http://x/", "installer": "class", "brand": None,
            "jvmOptions": None, "arguments": None, "runtime": None})
        values = ['"1.1:A:\\"S\\\\\xe9"', '"http://x/"']  # quotes and backslashes escaped
        table = run(["list", "setup.exe"], folder)[1].splitlines()[2:5]
        for index, (row, e) in enumerate(zip(table, expected)):
            self.assertEqual(row.split(), [str(index), e["name"], "0x%08X" % e["offset"], "0",
                                           str(e["length"]), "0x%08X" % e["dataOffset"],
                                           *values[index:index + 1]])
        for command, no_payload in (("list", 2), ("verify", 1), ("extract", 2)):
            self.assertEqual(run([command, "Wendle.exe"], folder)[0], no_payload)
            self.assertEqual(run([command, "none.exe"], folder)[:2], (2, ""))

    def test_list_shows_what_the_launcher_cannot_read(self):
        odd = packed(entry(b"Requirement", b"A:A:A\0"), entry(b"URL", b"x"), padding=b"junk")
        folder = self.folder({"odd.exe": odd})
        listing = json.loads(run(["list", "--json", "odd.exe"], folder)[1])
        self.assertEqual((listing["requirement"], listing["url"], listing["installer"]), (None, None, None))
        table = run(["list", "odd.exe"], folder)[1]
        self.assertIn("(no NUL within the data: the launcher cannot read it)", table)
        self.assertIn("4 bytes up to the trailer are not part of its payload", table)

    def test_help(self):
        for command in ("", "build", "list", "verify", "extract"):
            for flag in ("--help", "-h"):
                status, out, err = run([command, flag] if command else [flag], self.folder())
                self.assertEqual((status, out.split()[:3], err), (0, ["usage:", "wendle-pack", command or "build"], ""))
        self.assertEqual(run(["build", "--stub", "Wendle.exe", "--help"], self.folder())[:2], run(["build", "-h"], self.folder())[:2])
        status, out, err = run([], self.folder())
        self.assertEqual((status, out, err), (2, "", run(["--help"], self.folder())[1]))

    def test_extract_writes_the_entries(self):
        for args, into in ((["-C", "out", "setup.exe"], ""), (["../setup.exe"], "out")):
            with self.subTest(args):
                folder = self.folder({"setup.exe": packed(*GOOD), "out/Setup.class": b"replaced"})
                self.assertEqual(run(["extract", *args], os.path.join(folder, into))[0], 0)
                self.assertEqual(tree(os.path.join(folder, "out")), {
                    "CommandLine": b"1.1:A:A\0", "URL": b"http://x/\0", "Setup.class": CLASS})

    def test_extract_refuses_names_that_leave_the_folder(self):
        for bad in (entry(b"..", b""), entry(b"..\\x", b""), entry(b"a/b", b""),
                    entry(b"C:x", b""), entry(b"x", b"", kind=1), entry(b"runtime.tar", tar(("../x", F, b"")))):
            with self.subTest(bad):
                folder = self.folder({"setup.exe": packed(*GOOD, bad), "out/old": b""})
                status, out, err = run(["extract", "setup.exe", "-C", "out"], folder)
                self.assertEqual((status, out), (2, ""))
                self.assertEqual(tree(os.path.join(folder, "out")), {"old": b""})
                self.assertIn("refused, nothing written", err)


    def test_a_runtime_packs_byte_identical_and_comes_back(self):
        files = {**RT, "rt/lib/" + "p" * 95: b"99 characters", "out/.keep": b""}
        folder, other = self.folder(files), self.folder(dict(reversed(files.items())))  # made in another order
        os.utime(os.path.join(other, "rt/release"), (1, 1))
        rt = os.path.join(folder, "rt")
        for jar in (False, True):
            options = build(JAR8, ["--jar", "s.jar", *RUN]) if jar else build({"--requirement": "17+:A:A"}, RUN)
            for f in (folder, other):
                pathlib.Path(f, "s.jar").write_bytes(b"PK\3\4")
                self.assertEqual(run(options, f), (0, "", ""))
            self.assertEqual(tree(folder)["setup.exe"], tree(other)["setup.exe"])
            listing = json.loads(run(["list", "--json", "setup.exe"], folder)[1])
            self.assertEqual(([e["name"] for e in listing["entries"]][2:], listing["runtime"]), (
                ["WendleJar.class", "installer.jar", "runtime.tar"] if jar else ["Setup.class", "runtime.tar"],
                {"entry": 4 if jar else 3, "version": "17.0.15", "files": 6, "folders": 6, "error": None,
                 "size": sum(len(v) for v in tree(rt).values() if v is not None)}))
        self.assertIn("ok: 5 entries, a Java 17.0.15 runtime of 6 files", run(["verify", "setup.exe"], folder)[1])
        data = tree(folder)["setup.exe"][listing["entries"][4]["dataOffset"]:]
        with tarfile.open(fileobj=io.BytesIO(data)) as archive:
            members = archive.getmembers()
        self.assertEqual([m.name for m in members], ["bin", "bin/java.exe", "conf", "conf/security",
            "conf/security/java.policy", "legal", "legal/java.base", "legal/java.base/LICENSE", "lib",
            "lib/modules", "lib/" + "p" * 95, "release"])
        self.assertEqual({(m.mtime, m.uid, m.gid, m.uname, m.gname) for m in members}, {(0, 0, 0, "", "")})
        self.assertEqual(run(["extract", "setup.exe", "-C", "out"], folder)[:2], (0, "".join(
            "out/%s\n" % name for name in ["CommandLine", "URL", "WendleJar.class", "installer.jar", "runtime/"])))
        self.assertEqual(tree(os.path.join(folder, "out", "runtime")), tree(rt))


class Signing(Case):
    @classmethod
    def setUpClass(cls):  # a throw-away certificate
        keys = tempfile.TemporaryDirectory()
        cls.addClassCleanup(keys.cleanup)
        cls.key, cls.cert = os.path.join(keys.name, "key.pem"), os.path.join(keys.name, "cert.pem")
        subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout",
                        cls.key, "-out", cls.cert, "-days", "2", "-subj", "/CN=Wendle Test"],
                       check=True, capture_output=True)

    def signed_folder(self, extra=()):  # setup.exe packed, signed.exe signed
        folder = self.folder()
        self.assertEqual(run(build({}, extra), folder)[0], 0)
        subprocess.run(["osslsigncode", "sign", "-certs", self.cert, "-key", self.key,
                        "-in", "setup.exe", "-out", "signed.exe"],
                       cwd=folder, check=True, capture_output=True)
        return folder

    def test_payload_is_read_in_front_of_the_certificate_table(self):
        folder = self.signed_folder()
        self.assertEqual(run(["verify", "signed.exe"], folder)[:2], (0, "signed.exe: ok: 3 "
                         "entries; signed, the payload lies inside the signed range\n"))
        plain, signed_ = (json.loads(run(["list", "--json", name], folder)[1])
                          for name in ("setup.exe", "signed.exe"))
        self.assertEqual((signed_["entries"], signed_["certificateTable"]["offset"]),
                         (plain["entries"], plain["size"]))
        self.assertIn("signed: certificate table at 0x%08X" % plain["size"],
                      run(["list", "signed.exe"], folder)[1])

    def test_force_cuts_away_signature_and_payload(self):
        folder = self.signed_folder()
        again = {"--stub": "signed.exe", "--requirement": "A:A:A", "-o": "again.exe"}
        self.assertEqual(run(build(again, ["--force"]), folder)[0], 0)
        self.assertEqual(run(build({"--requirement": "A:A:A", "-o": "fresh.exe"}), folder)[0], 0)
        files = tree(folder)
        # Only the checksum that the signing tool wrote tells them apart.
        again, fresh = (files[name][:CHECKSUM] + files[name][CHECKSUM + 4:]
                        for name in ("again.exe", "fresh.exe"))
        self.assertEqual(again, fresh)

    def test_signing_an_unaligned_file_hides_the_trailer(self):
        folder = self.signed_folder(["--align", "1"])  # 1171 bytes: the signing tool pads
        status, report, _ = run(["verify", "signed.exe"], folder)
        self.assertEqual(status, 1)
        self.assertIn("packed without --align 8", report)


NAME = "\u00dcbersetzer \u65e5\u672c"  # outside every ANSI code page of the six languages
BRAND = ["--name", NAME, "--icon", "h.ico", "--version", "3.1.4", "--company", "Example Ltd",
         "--copyright", "\u00a9 2026 Example"]


def checksum(image):  # as Windows computes it, the field itself left out
    field = struct.unpack_from("<I", image, 0x3C)[0] + 24 + 64
    words = struct.unpack("<%dH" % (len(image) // 2), image[:field] + bytes(4) + image[field + 4:len(image) // 2 * 2])
    total = 0
    for word in words:
        total = (total + word) & 0xFFFF if total + word <= 0xFFFF else (total + word - 0xFFFF)
    return total + len(image), struct.unpack_from("<I", image, field)[0]


def damaged(file, find, offset, form, value):  # value written at offset from the first find
    return patched(file, file.index(find) + offset, form, value)


def pe_field(file, offset, form, value):  # a field of the optional header
    return patched(file, struct.unpack_from("<I", file, 0x3C)[0] + 24 + offset, form, value)


class Branding(Case):  # on the launcher as it was built, named by WENDLE_STUB
    def brand_folder(self, stub=None):
        folder = self.folder({"Wendle.exe": stub or pathlib.Path(os.environ["WENDLE_STUB"]).read_bytes()})
        subprocess.run([sys.executable, os.path.join(ROOT, "tools", "make_icon.py"), "--sample",
                        os.path.join(folder, "h.ico")], check=True)
        return folder

    def test_a_brand_is_written_the_same_every_time_and_shown(self):
        folder = self.brand_folder()
        self.assertEqual(run(build({}, BRAND), folder), (0, "", ""))
        self.assertEqual(run(build({"-o": "again.exe"}, BRAND), folder)[0], 0)
        files = tree(folder)
        self.assertEqual(files["setup.exe"], files["again.exe"])
        launcher = files["setup.exe"][:json.loads(run(["list", "--json", "setup.exe"], folder)[1])["firstEntry"]]
        computed, stored = checksum(launcher)
        self.assertEqual(computed, stored)
        self.assertEqual(json.loads(run(["list", "--json", "setup.exe"], folder)[1])["brand"], {
            "name": NAME, "version": "3.1.4", "company": "Example Ltd", "copyright": "\u00a9 2026 Example",
            "icons": ["16x16", "32x32", "256x256"]})
        self.assertEqual(run(["verify", "setup.exe"], folder)[1], "setup.exe: ok: 3 entries; not signed; brand "
                         "\"\u00c3\u009cbersetzer \u00e6\u0097\u00a5\u00e6\u009c\u00ac\" 3.1.4, icon 16x16, 32x32, 256x256\n")
        # A branded setup.exe packed again with another brand: its resource section is already the last.
        other = ["--name", "Hello", "--version", "1.0", "--icon", "h.ico"]
        self.assertEqual(run(build({"--stub": "setup.exe", "-o": "re.exe"}, ["--force", *other]), folder)[0], 0)
        self.assertEqual(run(build({"-o": "fresh.exe"}, other), folder)[0], 0)
        self.assertEqual(tree(folder)["re.exe"], tree(folder)["fresh.exe"])
        listing = json.loads(run(["list", "--json", "fresh.exe"], folder)[1])["brand"]
        self.assertEqual((listing["name"], listing["company"]), ("Hello", ""))

    def test_stubs_whose_resources_cannot_be_rewritten(self):
        stub = pathlib.Path(os.environ["WENDLE_STUB"]).read_bytes()
        directories = 96 if pe_field(stub, 0, "H", 0x10B) == stub else 112
        for what, bad, message in (
                ("relocations moved away from .reloc", pe_field(stub, directories + 5 * 8, "I", 0x1000),
                 'the section ".reloc" behind its resource section, which holds more than base relocations'),
                ("bytes behind the last section", stub + bytes(8), "does not end with its last section")):
            with self.subTest(what):
                folder = self.brand_folder(bad)
                status, _, err = run(build({}, BRAND), folder)
                self.assertEqual((status, "its resources cannot carry the brand" in err, message in err), (2, True, True), err)

    def test_verify_finds_damaged_resources(self):
        folder = self.brand_folder()
        self.assertEqual(run(build({}, BRAND), folder)[0], 0)
        good = tree(folder)["setup.exe"]
        title = NAME.encode("utf-16-le")
        for what, bad, phrase in (
                ("an empty title", damaged(good, title, -2, "H", 0), "(string 2) is missing in language 0x0407"),
                ("a version record too long", damaged(good, "VS_VERSION_INFO".encode("utf-16-le"), -6, "H", 0xFFFF),
                 "the version record is not well formed"),
                ("a root table of 65535 entries", damaged(good, b".rsrc\0", 20, "I", 0), "the launcher has a resource tree that cannot be read")):
            with self.subTest(what):
                status, report, _ = run(["verify", "setup.exe"], self.folder({"setup.exe": bad}))
                self.assertEqual((status, "error: resources: " in report and phrase in report), (1, True), report)


# A Main-Class that reads a resource of its own jar and a file packed beside it, and asks the
# system class loader, as installers and their toolkits do, for its classes and resources and
# for those of lib.jar, which its manifest's Class-Path names and which is packed beside it.
HELLO = """package p; public class Hello { public static void main(String[] a) throws Exception {
    java.io.File jar = new java.io.File(Hello.class.getProtectionDomain().getCodeSource().getLocation().toURI());
    System.out.print(new java.util.Scanner(ClassLoader.getSystemResourceAsStream("inside.txt")).nextLine() + " "
        + new java.util.Scanner(new java.io.File(jar.getParentFile(), "data.txt")).nextLine() + " "
        + (Thread.currentThread().getContextClassLoader() == Hello.class.getClassLoader()) + " "
        + new java.io.File(System.getProperty("java.class.path")).equals(jar) + " "
        + (ClassLoader.getSystemClassLoader().loadClass("p.Hello") == Hello.class) + " "
        + (ClassLoader.getSystemResource("lib.txt") != null) + " " + System.getProperty("wendle.p") + " " + String.join("|", a));
    // As a Swing installer's would, the VM ends with another thread, after main has returned.
    new Thread(() -> { try { Thread.sleep(300); } catch (InterruptedException e) { } System.exit(a.length + 42); }).start(); } }"""


def zipped(files):
    data = io.BytesIO()
    with zipfile.ZipFile(data, "w") as z:
        for name, bytes_ in files.items():
            z.writestr(name, bytes_)
    return data.getvalue()


def jar(main_class="p.Hello", classes=True):
    with tempfile.TemporaryDirectory() as tmp:
        pathlib.Path(tmp, "Hello.java").write_text(HELLO)
        subprocess.run([os.environ["JAVAC"], "--release", "8", "-d", tmp, os.path.join(tmp, "Hello.java")], check=True)
        manifest = "Manifest-Version: 1.0\nClass-Path: lib.jar\n" + ("Main-Class: %s\n" % main_class if main_class else "")
        hello = {"p/Hello.class": pathlib.Path(tmp, "p", "Hello.class").read_bytes()} if classes else {}
        return zipped({"META-INF/MANIFEST.MF": manifest, "inside.txt": "inside\n", **hello})


class InstallerJars(Case):
    def test_a_jar_is_packed_behind_the_bootstrap_and_runs_as_with_java_jar(self):
        # Six files beside the jar make the ten entries that the launcher reads.
        folder = self.folder({"setup.jar": jar(), "data.txt": b"beside\n", "lib.jar": zipped({"lib.txt": "lib"}),
                              "out/.keep": b"", **{str(i): b"" for i in range(4)}})
        files = [a for name in ["data.txt", "lib.jar", "0", "1", "2", "3"] for a in ("--file", name)]
        self.assertEqual(run(build(JAR8, ["--jar", "setup.jar", *files]), folder), (0, "", ""))
        listing = json.loads(run(["list", "--json", "setup.exe"], folder)[1])
        self.assertEqual(([e["name"] for e in listing["entries"]], listing["installer"]),
                         (["CommandLine", "URL", "WendleJar.class", "installer.jar", "data.txt", "lib.jar", "0", "1", "2", "3"], "jar"))
        self.assertEqual(run(["extract", "setup.exe", "-C", "out"], folder)[0], 0)
        out = os.path.join(folder, "out")
        with open(os.path.join(ROOT, "bootstrap", "WendleJar.class"), "rb") as f:
            self.assertEqual(tree(out)["WendleJar.class"], f.read())
        # The bootstrap as the launcher starts it, and java -jar: the same, also for jars that cannot start;
        # the bootstrap's java is that of its own VM, never one that PATH names first.
        pathlib.Path(folder, "path").mkdir()
        pathlib.Path(folder, "path", "java").write_text("#!/bin/sh\necho a java on PATH\n")
        os.chmod(os.path.join(folder, "path", "java"), 0o755)
        env = dict(os.environ, PATH=os.path.join(folder, "path") + os.pathsep + os.environ["PATH"])
        for broken in (None, jar(main_class=None), jar(classes=False), b"PK\3\4 broken"):
            if broken:
                pathlib.Path(out, "installer.jar").write_bytes(broken)
            done, direct = (subprocess.run([os.environ["JAVA"], *args], capture_output=True, env=env)
                            for args in (["-cp", out, "WendleJar"], ["-jar", os.path.join(out, "installer.jar")]))
            self.assertEqual((done.returncode, done.stdout, done.stderr), (direct.returncode, direct.stdout, direct.stderr))
            self.assertEqual((done.returncode, done.stdout), (1, b"") if broken else (42, b"inside beside true true true true null "))
        # The packed JVM options go in front of -jar, the bootstrap's arguments behind the jar.
        pathlib.Path(out, "installer.jar").write_bytes(jar())
        pathlib.Path(out, "WendleJvmOptions").write_bytes(b'"-Dwendle.p=a \\"b\\"" -Xmx64m\0')
        done = subprocess.run([os.environ["JAVA"], "-cp", out, "WendleJar", "x y", 'z"'], capture_output=True)
        self.assertEqual((done.returncode, done.stdout), (44, b'inside beside true true true true a "b" x y|z"'))

unittest.main()
