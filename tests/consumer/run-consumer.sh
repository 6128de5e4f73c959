#!/usr/bin/env bash
# run-consumer.sh BUILD_DIR CONSUMER_SOURCE TOOLCHAIN
set -euo pipefail
build="$1" source="$2" toolchain="$3"
work="$build/consumer"
rm -rf "$work"
cmake --install "$build" --prefix "$work/prefix" >/dev/null
cmake -S "$source" -B "$work/build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
      -DCMAKE_PREFIX_PATH="$work/prefix" >/dev/null
cmake --build "$work/build" >/dev/null
# The consumer finds the installed DLLs beside it, as an application would.
cp "$work/prefix/bin/"*.dll "$work/build/"
timeout 60 wine "$work/build/consumer.exe"
