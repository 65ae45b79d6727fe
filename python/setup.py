"""Builds the corvex wheel: CMake builds the module from the project's tree, with
the project's own flags, and setuptools packs it with the package's Python files.

    /usr/bin/python3 -m build --no-isolation --wheel --outdir dist python

The module is the same target as scripts/build makes (python/CMakeLists.txt),
so the wheel renders the bits the tool renders. It needs the Debian packages of
scripts/install-deps build python.
"""

import re
import subprocess
import sys
from pathlib import Path

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

ROOT = Path(__file__).resolve().parent.parent


def project_version():
    found = re.search(r"project\(Corvex VERSION ([0-9.]+)", (ROOT / "CMakeLists.txt").read_text(encoding="utf-8"))
    if found is None:
        sys.exit("setup.py: build the wheel from the project's tree (python/ beside the top CMakeLists.txt), "
                 "with --wheel")
    return found.group(1)


class CMakeBuild(build_ext):
    def build_extension(self, ext):
        build_dir = Path(self.build_temp).resolve() / "cmake"
        package_root = Path(self.get_ext_fullpath(ext.name)).resolve().parent.parent
        options = ["-DCORVEX_BUILD_TESTS=OFF", "-DCORVEX_BUILD_TOOLS=OFF", "-DCORVEX_BUILD_PLUGINS=OFF",
                   "-DCORVEX_BUILD_BENCHMARKS=OFF", "-DCORVEX_BUILD_PYTHON=ON"]
        for command in (["cmake", "-S", ROOT, "-B", build_dir, "-G", "Ninja", "-DCMAKE_BUILD_TYPE=RelWithDebInfo",
                         f"-DPython3_EXECUTABLE={sys.executable}", *options],
                        ["cmake", "--build", build_dir, "--target", "corvex_python"],
                        ["cmake", "--install", build_dir, "--component", "python", "--strip",
                         "--prefix", package_root]):
            subprocess.run([str(part) for part in command], check=True)


setup(version=project_version(), ext_modules=[Extension("corvex._corvex", sources=[])],
      cmdclass={"build_ext": CMakeBuild})
