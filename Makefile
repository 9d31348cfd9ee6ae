# The two promises of the README, `make run` and `make test`; and `make dist`, the release files.
SHELL := /bin/bash
CLI := build/native/cli/quorvel-cli
DEMO := examples/demo/Project1.mak
WIN_EXE := build/windows/Quorvel.exe

.PHONY: all deps native windows test test-native test-windows run dist bench sanitize fuzz format clean

all: native

deps:
	scripts/install-deps.sh native windows

native:
	scripts/install-deps.sh native
	cmake --preset native >/dev/null
	cmake --build --preset native

windows:
	scripts/install-deps.sh windows
	cmake --preset windows >/dev/null
	cmake --build --preset windows

test: test-native test-windows

test-native: native
	scripts/install-deps.sh dist
	ctest --preset native -j2

# One Wine session (private Xvfb, one wineserver) for the whole run. The programs run one at a time:
# they share the session's desktop and clipboard.
test-windows: windows
	scripts/wine-session.sh ctest --preset windows

# The window starts in the demo project's folder, where its forms are found: type Project1.mak (the
# link examples/demo/examples makes examples/demo/Project1.mak work there too) or browse for any project.
run:
	@if [ -n "$${DISPLAY:-}" ]; then \
		scripts/install-deps.sh windows && cmake --preset windows >/dev/null && \
		cmake --build --preset windows --target Quorvel && \
		cd examples/demo && ../../scripts/wine-session.sh --keep-display ../../scripts/wine-run.sh ../../$(WIN_EXE); \
	else \
		scripts/install-deps.sh native && cmake --preset native >/dev/null && \
		cmake --build --preset native --target quorvel-cli >/dev/null && \
		echo "\$$ quorvel-cli scan $(DEMO)" && $(CLI) scan $(DEMO); \
	fi

# dist/: the Windows zip and installer with their winget and scoop manifests, the Linux tarball and the
# Debian package of quorvel-cli, made from release builds (the release-* presets), and their SHA-256
# sums. Named with the project version of CMakeLists.txt; made again from the same commit, every file is
# the same. QUORVEL_HOMEPAGE is the release address the manifests name (make dist
# QUORVEL_HOMEPAGE=https://...; the files are then published under it in releases/VERSION/); without
# it they name a placeholder and are not for publishing.
QUORVEL_HOMEPAGE ?=
dist:
	scripts/install-deps.sh native windows dist
	rm -rf dist
	cmake --preset release-native >/dev/null
	cmake --build --preset release-native --target quorvel-tarball quorvel-deb
	cmake --preset release-windows -DQUORVEL_HOMEPAGE="$(QUORVEL_HOMEPAGE)" >/dev/null
	cmake --build --preset release-windows --target quorvel-zip quorvel-installer quorvel-manifests
	cd dist && sha256sum quorvel-* >SHA256SUMS
	@ls -l dist
	@if [ -z "$(QUORVEL_HOMEPAGE)" ]; then \
		echo "make dist: no release address: the manifests in dist/winget and dist/scoop are not for publishing" \
		     "(make dist QUORVEL_HOMEPAGE=https://...)"; \
	fi

bench:
	scripts/install-deps.sh native
	cmake --preset native >/dev/null
	cmake --build --preset native --target quorvel_bench
	build/native/bench/quorvel_bench --benchmark_counters_tabular=true

sanitize:
	scripts/install-deps.sh native fuzz
	CC=clang CXX=clang++ cmake --preset sanitize >/dev/null
	cmake --build --preset sanitize
	ctest --preset sanitize -j2

fuzz:
	scripts/install-deps.sh native fuzz
	cmake --preset fuzz >/dev/null
	cmake --build --preset fuzz
	scripts/run-fuzz.sh build/fuzz/fuzz

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf build dist
