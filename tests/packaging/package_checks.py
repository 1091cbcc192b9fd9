#!/usr/bin/env python3
"""Checks of the installation and the Debian package of a built tree: `cmake --install` under a
prefix gives units that systemd accepts; the package holds the program, the README, the script and
the units, and declares every library the program needs; in CI, as root, it installs and the
installed program answers `version`.

  package_checks.py <build folder>
"""

import glob
import os
import re
import subprocess
import sys
import tempfile
import unittest

BUILD = None
UNITS = ("icbridge@.service", "icbridge@.timer")
# What an installation puts under its prefix.
INSTALLED = ("bin/icbridge", "share/doc/icbridge/README.md", "share/icbridge/encode-password.py",
             "share/doc/icbridge/examples/school.env.example",
             *(f"lib/systemd/system/{unit}" for unit in UNITS))
# Libraries that every Debian system has, or that the Qt packages bring.
BASE_PACKAGES = {"libc6", "libstdc++6", "libgcc-s1"}


def run(*command, **options):
    return subprocess.run(command, capture_output=True, text=True, check=True, **options).stdout


def verify_units(unit_dir):
    """systemd-analyze's complaints about the units of unit_dir (about other units it reads on the
    way, which are this machine's, it may complain as it likes)."""
    units = [os.path.join(unit_dir, name.replace("@.", "@school7.")) for name in UNITS]
    result = subprocess.run(["systemd-analyze", "verify", *units], capture_output=True, text=True)
    ours = [line for line in (result.stdout + result.stderr).splitlines() if "icbridge@" in line]
    return result.returncode, ours


def owner_package(path):
    """The package that installed a file, under any of the names merged /usr gives it."""
    real = os.path.realpath(path)
    for candidate in (path, real, re.sub(r"^/usr/", "/", real)):
        result = subprocess.run(["dpkg-query", "--search", candidate], capture_output=True, text=True)
        if result.returncode == 0:
            return result.stdout.split(":")[0]
    return None


def package_names(field):
    return {re.split(r"[\s(]", entry.strip())[0] for entry in field.split(",") if entry.strip()}


class Install(unittest.TestCase):
    def test_installed_units_pass_systemd_verification_and_name_the_installed_program(self):
        with tempfile.TemporaryDirectory() as prefix:
            run("cmake", "--install", BUILD, "--prefix", prefix)
            for path in INSTALLED:
                self.assertTrue(os.path.isfile(os.path.join(prefix, path)), path)
            unit_dir = os.path.join(prefix, "lib/systemd/system")
            with open(os.path.join(unit_dir, "icbridge@.service")) as unit:
                self.assertIn(f"ExecStart={prefix}/bin/icbridge run ", unit.read())
            self.assertEqual(verify_units(unit_dir), (0, []))


class Package(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.TemporaryDirectory()
        run("cpack", "-G", "DEB", "-B", cls.folder.name, cwd=BUILD)
        found = glob.glob(os.path.join(cls.folder.name, "icbridge_*_amd64.deb"))
        assert len(found) == 1, found
        cls.deb = found[0]

    @classmethod
    def tearDownClass(cls):
        cls.folder.cleanup()

    def field(self, name):
        return run("dpkg-deb", "--field", self.deb, name).strip()

    def test_package_holds_the_program_readme_script_and_units_under_usr(self):
        listed = {line.split()[-1] for line in run("dpkg-deb", "--contents", self.deb).splitlines()}
        for path in INSTALLED:
            self.assertIn("./usr/" + path, listed)
        with tempfile.TemporaryDirectory() as root:
            run("dpkg-deb", "--extract", self.deb, root)
            with open(os.path.join(root, "usr/lib/systemd/system/icbridge@.service")) as unit:
                self.assertIn("ExecStart=/usr/bin/icbridge run ", unit.read())

    def test_every_library_the_program_needs_comes_from_a_declared_dependency(self):
        declared = package_names(self.field("Depends")) | BASE_PACKAGES
        self.assertTrue({"libqt6core6", "libqt6xml6", "libsqlite3-0", "libodbc2"} <= declared)
        self.assertIn("tdsodbc", package_names(self.field("Recommends")))
        program = os.path.join(BUILD, "icbridge")
        found = dict(re.findall(r"^\s*(\S+) => (/\S+)", run("ldd", program), re.M))
        for library in re.findall(r"\(NEEDED\).*\[(.+)\]", run("readelf", "--dynamic", program)):
            self.assertIn(owner_package(found[library]), declared, library)

    @unittest.skipUnless(os.environ.get("CI") and os.geteuid() == 0,
                         "installs a package: only as root in CI (set CI=1)")
    def test_package_installs_and_the_installed_program_runs(self):
        installed = subprocess.run(["dpkg-query", "--show", "--showformat=${Status}", "icbridge"],
                                   capture_output=True, text=True).stdout
        if "install ok installed" in installed:
            self.skipTest("icbridge is installed on this machine: left as it is")
        had_user = subprocess.run(["getent", "passwd", "icbridge"], capture_output=True).returncode == 0
        run("dpkg", "--install", self.deb)
        try:
            version = subprocess.run(["/usr/bin/icbridge", "version"], capture_output=True, text=True)
            self.assertEqual(version.returncode, 0, version.stderr)
            self.assertIn("\nversion\t", version.stdout)
            self.assertIn("icbridge", run("getent", "passwd", "icbridge"))
            self.assertEqual(verify_units("/usr/lib/systemd/system"), (0, []))
        finally:
            run("dpkg", "--remove", "icbridge")
            if not had_user:
                run("userdel", "icbridge")
        self.assertFalse(os.path.exists("/usr/bin/icbridge"))


if __name__ == "__main__":
    BUILD = os.path.abspath(sys.argv.pop(1))
    unittest.main()
