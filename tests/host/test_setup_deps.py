#!/usr/bin/env python3
# scripts/setup-deps against a stand-in package manager (apt-get, dpkg, dpkg-query and sudo
# on PATH, with their state in files): a package index that fails, a 32-bit Wine that apt
# cannot resolve, a package of the 64-bit road that it refuses. The real package manager
# is never reached.
import os, re, subprocess, tempfile, unittest

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")
SCRIPT = os.path.join(ROOT, "scripts", "setup-deps")
PACKAGES = re.search(r"packages=\(([^)]*)\)", open(SCRIPT).read()).group(1).split()
WINE32 = "wine32:i386"
MIRROR = ("E: Failed to fetch http://deb.debian.org/debian-security/dists/bookworm-security/main/"
          "binary-i386/Packages.xz  File has unexpected size (374820 != 376004). Mirror sync in progress?")
BROKEN = "E: Unable to correct problems, you have held broken packages."

FAKES = {
    "dpkg-query": 'grep -qxF -- "${@: -1}" "$STATE/installed" && echo "install ok installed"',
    "dpkg": '''case $1 in
  --print-foreign-architectures) cat "$STATE/arches" ;;
  --add-architecture) echo "$2" >>"$STATE/arches" ;;
  --remove-architecture) ! grep -q ":$2\\$" "$STATE/installed" || exit 2
    grep -vxF "$2" "$STATE/arches" >"$STATE/a"; mv "$STATE/a" "$STATE/arches" ;;
esac''',
    "apt-get": '''echo "$*" >>"$STATE/calls"
if [ "$1" = update ]; then
  [ ! -f "$STATE/update-error" ] || { cat "$STATE/update-error" >&2; exit 100; }
  exit 0
fi
shift
for p in "$@"; do
  [ "${p#-}" = "$p" ] || continue
  grep -qxF -- "$p" "$STATE/refuse" && { echo "$BROKEN" >&2; exit 100; }
done
for p in "$@"; do [ "${p#-}" = "$p" ] && echo "$p" >>"$STATE/installed"; done
exit 0''',
    "sudo": 'exec "$@"',
}


def lines(path, split=str.split):
    with open(path) as f:
        return split(f.read())


class SetupDeps(unittest.TestCase):
    def run_setup(self, installed=(), arches=(), update_error=None, refuse=(), env=None):
        work = tempfile.TemporaryDirectory()
        self.addCleanup(work.cleanup)
        state, fakes = os.path.join(work.name, "state"), os.path.join(work.name, "bin")
        os.makedirs(state)
        os.makedirs(fakes)
        for name, body in FAKES.items():
            path = os.path.join(fakes, name)
            with open(path, "w") as f:
                f.write("#!/usr/bin/env bash\n" + body + "\n")
            os.chmod(path, 0o755)
        for name, items in (("installed", installed), ("arches", arches), ("refuse", refuse),
                            ("calls", ())):
            with open(os.path.join(state, name), "w") as f:
                f.write("".join(i + "\n" for i in items))
        if update_error:
            with open(os.path.join(state, "update-error"), "w") as f:
                f.write(update_error + "\n")
        environment = dict(os.environ, STATE=state, BROKEN=BROKEN,
                           PATH=fakes + os.pathsep + os.environ["PATH"])
        environment.pop("WENDLE_64BIT_ONLY", None)
        environment.update(env or {})
        done = subprocess.run([SCRIPT], env=environment, capture_output=True, text=True,
                              stdin=subprocess.DEVNULL)
        output = done.stdout + done.stderr
        if "this kernel runs no 32-bit programs" in output and "WENDLE_64BIT_ONLY" not in (env or {}):
            self.skipTest("this kernel runs no 32-bit programs")
        result = {name: lines(os.path.join(state, name)) for name in ("installed", "arches")}
        result["calls"] = lines(os.path.join(state, "calls"), str.splitlines)
        return done.returncode, output, result

    def test_outcomes(self):
        everything = PACKAGES + [WINE32]
        rows = [
            # name, setup, status, installed afterwards, architectures, words in the output
            ("a fresh machine: everything installs", {}, 0, everything, ["i386"],
             ["installed " + " ".join(PACKAGES), "installed " + WINE32]),
            ("the i386 index fails and the 32-bit Wine cannot be resolved",
             dict(update_error=MIRROR, refuse=[WINE32]), 0, PACKAGES, [],
             ["warning: apt-get update failed, going on with the indexes it fetched: Failed to fetch",
              "Mirror sync in progress?",
              "the 32-bit Wine (wine32:i386) is not installed: Unable to correct problems, you have held broken packages."]),
            ("the update fails but every package still resolves", dict(update_error=MIRROR), 0,
             everything, ["i386"], ["warning: apt-get update failed", "installed " + WINE32]),
            ("an i386 architecture the machine had stays", dict(arches=["i386"], refuse=[WINE32]), 0,
             PACKAGES, ["i386"], ["the 32-bit Wine (wine32:i386) is not installed"]),
            ("a package the 64-bit road needs is refused", dict(refuse=["wine64"]), 1, [], ["i386"],
             ["could not install", "you have held broken packages"]),
            ("the 64-bit road asked for", dict(env={"WENDLE_64BIT_ONLY": "1"}), 0, PACKAGES, [],
             ["the 32-bit Wine (wine32:i386) is not installed: WENDLE_64BIT_ONLY is set"]),
            ("everything present", dict(installed=everything), 0, everything, [],
             ["all packages present"]),
        ]
        for name, setup, status, installed, arches, words in rows:
            with self.subTest(name):
                code, output, after = self.run_setup(**setup)
                self.assertEqual(code, status, output)
                self.assertEqual(sorted(after["installed"]), sorted(installed), output)
                self.assertEqual(after["arches"], arches, output)
                for w in words:
                    self.assertIn(w, output)
                if status == 0 and WINE32 not in installed:
                    # One line says why, so that the test and demo scripts can repeat it.
                    self.assertEqual(output.count("is not installed"), 1, output)

    def test_a_second_run_asks_only_for_what_is_missing(self):
        _, output, after = self.run_setup(installed=PACKAGES, refuse=[WINE32])
        installs = [c for c in after["calls"] if c.startswith("install")]
        self.assertEqual(len(installs), 1, after["calls"])
        self.assertTrue(installs[0].endswith(" " + WINE32), installs)
        _, output, after = self.run_setup(installed=PACKAGES, env={"WENDLE_64BIT_ONLY": "1"})
        self.assertEqual(after["calls"], [], output)


if __name__ == "__main__":
    unittest.main()
