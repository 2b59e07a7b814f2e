# SPDX-License-Identifier: GPL-3.0-or-later
# The engine for test frameworks that build from source with "make EXE=<name>" and then run
# "./<name> bench": a Release build without the tests, in its own build directory.
EXE ?= quillmaren
ARCH ?= native
BUILD ?= build-make
CMAKE ?= cmake
JOBS ?= 2
# CXX=<compiler> names the compiler; without it the CMake build picks (clang++ where installed).
COMPILER := $(if $(filter default,$(origin CXX)),,-DCMAKE_CXX_COMPILER=$(CXX))

.PHONY: all clean

all:
	$(CMAKE) -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release -DQUILLMAREN_TESTS=OFF \
	    -DQUILLMAREN_ARCH=$(ARCH) $(COMPILER)
	$(CMAKE) --build $(BUILD) -j$(JOBS) --target quillmaren
	cp $(BUILD)/quillmaren $(EXE)

clean:
	rm -rf $(BUILD)
