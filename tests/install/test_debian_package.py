"""The Debian package of the build, made by the step tools/package.sh ends with, as on a fresh
machine without LANG: every installed file is in it, the language files with names that are
not ASCII among them."""

import io
import os
import shutil
import subprocess
import tarfile
import tempfile
import unittest

from installed import BUILD, PREFIX, SOURCE, c_locale, cache_value


class DebianPackage(unittest.TestCase):
    def test_is_made_in_the_c_locale_with_every_installed_file(self):
        for tool in ("cpack", "dpkg-deb", "dpkg-shlibdeps", "file"):
            self.assertIsNotNone(shutil.which(tool), tool + " is missing (./test.sh installs it)")
        with tempfile.TemporaryDirectory(prefix="tarvix-package-") as out:
            result = subprocess.run([os.path.join(SOURCE, "packaging/debian/make_package.sh"), BUILD, out],
                                    env=c_locale(os.environ), capture_output=True, text=True, timeout=280,
                                    stdin=subprocess.DEVNULL)
            self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
            debs = [name for name in os.listdir(out) if name.endswith(".deb")]
            self.assertEqual(len(debs), 1, debs)
            deb = os.path.join(out, debs[0])
            files = subprocess.run(["dpkg-deb", "--fsys-tarfile", deb], capture_output=True, check=True).stdout
            with tarfile.open(fileobj=io.BytesIO(files), encoding="utf-8") as tar:
                packaged = {os.path.relpath(m.name, "./usr") for m in tar.getmembers() if not m.isdir()}
            found = {os.path.relpath(os.path.join(folder, f), PREFIX) for folder, _, names in os.walk(PREFIX)
                     for f in names}
            self.assertEqual(packaged, found)
            self.assertIn("share/tarvix/lang/Español.lng", packaged)
            homepage = subprocess.run(["dpkg-deb", "--field", deb, "Homepage"], capture_output=True, text=True,
                                      check=True).stdout.strip()
            self.assertEqual(homepage, cache_value("TARVIX_HOME_PAGE"))


if __name__ == "__main__":
    unittest.main()
