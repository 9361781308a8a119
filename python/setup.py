"""Builds kelvaro._core, the extension module, with the project's own CMake build (the libraries
of src/ and python/CMakeLists.txt), for the Python that runs this script; pyproject.toml holds
the package's description. pip install --no-build-isolation ./python runs it in place (pip
builds a folder in place), so the project's sources beside python/ are at hand."""

import os
import shutil
import subprocess
import sys
from pathlib import Path

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

HERE = Path(__file__).resolve().parent
SOURCE = HERE.parent


class CMakeExtension(Extension):
    def __init__(self, name):
        super().__init__(name, sources=[])


class CMakeBuild(build_ext):
    def build_extension(self, ext):
        build = Path(self.build_temp).resolve() / "cmake"
        build.mkdir(parents=True, exist_ok=True)
        jobs = os.environ.get("JOBS", "2")
        subprocess.run(["cmake", "-S", str(SOURCE), "-B", str(build), "-DCMAKE_BUILD_TYPE=Release",
                        "-DKELVARO_PYTHON=ON", f"-DPYTHON_EXECUTABLE={sys.executable}"],
                       check=True, stdout=subprocess.DEVNULL)
        subprocess.run(["cmake", "--build", str(build), "--target", "kelvaro_python",
                        f"-j{jobs}"], check=True)
        built = next((build / "python" / "kelvaro").glob("_core*.so"))
        target = Path(self.get_ext_fullpath(ext.name))
        target.parent.mkdir(parents=True, exist_ok=True)
        shutil.copyfile(built, target)


def version():
    return (SOURCE / "VERSION").read_text().splitlines()[0].strip()


setup(version=version(), ext_modules=[CMakeExtension("kelvaro._core")],
      cmdclass={"build_ext": CMakeBuild})
