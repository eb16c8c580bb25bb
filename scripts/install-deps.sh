#!/usr/bin/env bash
# Installs the Debian packages the project needs to build, test and run its demo. Idempotent:
# packages already present are left alone.
set -euo pipefail

packages=(
  build-essential cmake pkg-config   # toolchain
  libgtest-dev                       # unit tests (GoogleTest)
  libsnmp-dev snmp                   # net-snmp: the SNMP backend, and snmpwalk for troubleshooting
  snmpsim                            # SNMP simulator for the integration tests and the demo
  nlohmann-json3-dev                 # results file
  libyaml-cpp-dev                    # scope file
  libgoogle-perftools-dev            # tcmalloc, the program's allocator
  libabsl-dev                        # Abseil's flat hash map, the index of big tables
  iputils-ping                       # ping, to check unprivileged ICMP
  strace                             # benchmarks: SNMP responses the program receives
  time                               # benchmarks: GNU time, the peak RSS of a measured program
  clang-format                       # the format check of the sources
  graphviz                           # dot: extreme-disco --svg renders the topology with it
  libsqlite3-dev                     # the inventory store's default database (SQLite)
  libpq-dev                          # the inventory store on a PostgreSQL server (libpq)
  postgresql                         # initdb, pg_ctl, postgres: the store tests' own server
  ieee-data                          # the IEEE OUI list: vendors of MAC addresses (find)
  clang libclang-rt-14-dev           # libFuzzer (libclang_rt.fuzzer) and clang's sanitizers: the
                                     #   fuzz targets of fuzz/, built by scripts/fuzz.sh
  libcpp-httplib-dev                 # cpp-httplib: the HTTP server of `extreme-disco serve`
  chromium chromium-driver           # the web view's browser test: headless Chromium and its
  python3-selenium                   #   WebDriver, driven from Python (tests/engine/web/)
  help2man                           # the man page extreme-disco(1), made from --help at build time
  lintian                            # the package check of scripts/test.sh: lintian on the .deb
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: all packages present"
  exit 0
fi
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
echo "install-deps: installing ${missing[*]}"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
