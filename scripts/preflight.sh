#!/usr/bin/env bash
# Checks in seconds that the toolchain can build what a later stage needs, by compiling and
# linking a one-line program with each feature, and names the Debian package that is missing.
# Usage: preflight.sh test   (plain, sanitizer and fuzz builds)
#        preflight.sh panel  (the panel and the simulator only)
set -uo pipefail

what=${1:-test}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=()

# check <package> <description> <command...>: runs the command quietly; remembers the package
# when it fails, with the tool's last lines for the curious.
check() {
  local package=$1 description=$2; shift 2
  if ! "$@" > "$work/out" 2>&1; then
    failed+=("$package")
    echo "preflight: $description failed; install the Debian package '$package'" >&2
    tail -n 3 "$work/out" | sed 's/^/    /' >&2
  fi
}

have() { command -v "$1" > /dev/null 2>&1; }

echo 'int main() { return 0; }' > "$work/one.cpp"
cat > "$work/fuzz.cpp" <<'EOF'
#include <cstddef>
#include <cstdint>
extern "C" int LLVMFuzzerTestOneInput(const uint8_t*, size_t) { return 0; }
EOF
cat > "$work/qt.cpp" <<'EOF'
#include <QApplication>
#include <QSerialPort>
#include <QSvgGenerator>
#include <QTest>
#include <QtCharts/QChartView>
int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QSerialPort port;
    QSvgGenerator svg;
    QChartView view;
    return 0;
}
EOF

check cmake "cmake" cmake --version
check make "make" make --version
check g++ "g++ compiling C++20" g++ -std=c++20 "$work/one.cpp" -o "$work/one"
check pkg-config "pkg-config" pkg-config --version
for module in Qt6Widgets:qt6-base-dev Qt6Test:qt6-base-dev Qt6SerialPort:qt6-serialport-dev \
              Qt6Charts:qt6-charts-dev Qt6Svg:qt6-svg-dev Qt6OpenGL:libqt6opengl6-dev gl:libgl-dev; do
  check "${module#*:}" "finding ${module%%:*}" pkg-config --exists "${module%%:*}"
done
if [ ${#failed[@]} -eq 0 ]; then
  # shellcheck disable=SC2046
  check qt6-base-dev "linking a Qt Widgets program" \
    g++ -std=c++20 -fPIC "$work/qt.cpp" -o "$work/qt" \
    $(pkg-config --cflags --libs Qt6Widgets Qt6SerialPort Qt6Test Qt6Charts Qt6Svg)
fi

if [ "$what" = test ]; then
  # The install tree's test: the icon's sizes, the validators, the Debian package.
  for tool in rsvg-convert:librsvg2-bin desktop-file-validate:desktop-file-utils \
              appstreamcli:appstream dpkg-shlibdeps:dpkg-dev file:file; do
    check "${tool#*:}" "finding ${tool%%:*}" command -v "${tool%%:*}"
  done
  check libgcc-12-dev "g++ with AddressSanitizer and UndefinedBehaviorSanitizer" \
    g++ -std=c++20 -fsanitize=address,undefined "$work/one.cpp" -o "$work/san"
  check clang "clang++" clang++ --version
  if have clang++; then
    check libclang-rt-dev "clang++ with libFuzzer and the sanitizers" \
      clang++ -std=c++20 -fsanitize=fuzzer,address,undefined "$work/fuzz.cpp" -o "$work/fuzz"
  fi
fi

if [ ${#failed[@]} -ne 0 ]; then
  mapfile -t unique < <(printf '%s\n' "${failed[@]}" | sort -u)
  echo "preflight: missing: ${unique[*]} (apt-get install ${unique[*]})" >&2
  exit 1
fi
echo "preflight: toolchain ready for the $what build"
