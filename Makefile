# Thin front of the CMake builds:
#   build/native  portable code, native tests, benchmarks (g++)
#   build/san     portable code with ASan+UBSan, native tests, libFuzzer targets (clang)
#   build/win     the Windows x64 program and the Windows tests (mingw-w64, run under Wine)
# `make` builds native and win; `make test` builds all three and runs every test in one
# CTest run inside the loopback-only sandbox; `make demo` runs the program under Wine.

JOBS ?= 2
CMAKE_GEN := -G Ninja
SANDBOX := tests/wine/sandbox.sh --prefix build/win/wineprefix --

.PHONY: all setup native san win test demo clean

all: native win

setup:
	@scripts/setup.sh

build/native/build.ninja: | setup
	cmake -S . -B build/native $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo

build/san/build.ninja: | setup
	CC=clang CXX=clang++ cmake -S . -B build/san $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Debug -DTN_SANITIZE=ON -DTN_FUZZ=ON

build/win/build.ninja: | setup
	cmake -S . -B build/win $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake

native: build/native/build.ninja
	cmake --build build/native -j$(JOBS)

san: build/san/build.ninja
	cmake --build build/san -j$(JOBS)

win: build/win/build.ninja
	cmake --build build/win -j$(JOBS)

# One CTest run over the three build folders, so that its summary counts every test.
build/CTestTestfile.cmake:
	mkdir -p build
	printf 'subdirs("native" "san" "win")\n' > $@

test: setup native san win build/CTestTestfile.cmake
	$(SANDBOX) ctest --test-dir build --output-on-failure -j$(JOBS)

demo: setup win
	tools/demo.sh

clean:
	rm -rf build
