#!/usr/bin/env bash
# The demo, in one command on a fresh Debian machine: installs what the project needs, builds the
# engine and the agent plug-in, serves the sample network's five switches over SNMP with
# snmpsim on loopback addresses (127.0.0.11-15, port 16100), discovers them with extreme-disco,
# prints the summary, writes results.json, draws the topology in topology.svg (Graphviz), keeps
# the run in the inventory inventory.db and asks it where one host is. With --web it then serves
# the run's web view (extreme-disco serve) in the background, prints its address and ends; the
# view goes on until `kill` of the printed process id.
# The simulators are stopped on every way out.
#
# Usage: scripts/demo.sh [--web] [extra extreme-disco options, e.g. -d 1 or -o other.json]
set -euo pipefail
cd "$(dirname "$0")/.."

web=0
if [ "${1:-}" = "--web" ]; then
  web=1
  shift
fi

bash scripts/install-deps.sh

echo "demo: building extreme-disco (Release)"
cmake -S . -B build-demo -DCMAKE_BUILD_TYPE=Release -DDISCO_BUILD_TESTS=OFF >/dev/null
cmake --build build-demo -j "$(nproc)" --target extreme-disco >/dev/null

work=$(mktemp -d /tmp/extreme-disco-demo.XXXXXX)
pids=()
stop_simulators() {
  local pid
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap stop_simulators EXIT
trap 'exit 130' INT TERM

# snmpsimd refuses to run as root: it then runs as nobody, who must read its data.
run_as=()
if [ "$(id -u)" -eq 0 ]; then run_as=(--process-user=nobody --process-group=nogroup); fi

port=16100
switches=(core-1:127.0.0.11 edge-1:127.0.0.12 edge-2:127.0.0.13 exos-1:127.0.0.14 bridge-1:127.0.0.15)
for entry in "${switches[@]}"; do
  name=${entry%%:*}
  address=${entry#*:}
  mkdir -p "$work/$name/data" "$work/$name/cache"
  # A recording is served to the community of its file name.
  cp "examples/sample-network/$name.snmprec" "$work/$name/data/public.snmprec"
  chmod -R a+rwX "$work"
  snmpsimd --data-dir="$work/$name/data" --cache-dir="$work/$name/cache" \
    --agent-udpv4-endpoint="$address:$port" --logging-method="file:$work/$name/log" \
    "${run_as[@]}" >"$work/$name/out" 2>&1 &
  pids+=($!)
done

for entry in "${switches[@]}"; do
  name=${entry%%:*}
  address=${entry#*:}
  for attempt in $(seq 1 60); do
    if snmpget -v2c -c public -t 1 -r 0 -Oqv "$address:$port" 1.3.6.1.2.1.1.5.0 >/dev/null 2>&1; then
      break
    fi
    if [ "$attempt" -eq 60 ]; then
      echo "demo: the simulator of $name on $address:$port did not answer; its log:" >&2
      tail -n 20 "$work/$name/out" "$work/$name/log" >&2 2>/dev/null || true
      exit 1
    fi
    sleep 0.5
  done
  echo "demo: $name is served by snmpsim on $address:$port"
done

# The agent's two-minute pause between ping sweeps ends as soon as the last device is through.
status=0
./build-demo/extreme-disco --scope examples/sample-network.yaml -o results.json \
  --svg topology.svg --db inventory.db "$@" || status=$?
[ "$status" -eq 3 ] || echo "demo: the topology is drawn in topology.svg"
if [ "$status" -ne 3 ]; then
  # The run is kept in the inventory: where is the host with this MAC address plugged in?
  echo "demo: the run is kept in inventory.db; ask it where a host is:"
  echo "demo: \$ extreme-disco find --db inventory.db 00:1B:21:00:10:04"
  ./build-demo/extreme-disco find --db inventory.db 00:1B:21:00:10:04 || status=$?
fi
if [ "$web" -eq 1 ] && [ "$status" -ne 3 ]; then
  # The web view of the run, left running after the demo ends (loopback only, no token needed).
  nohup ./build-demo/extreme-disco serve --db inventory.db --listen 127.0.0.1:0 \
    >serve.log 2>&1 </dev/null &
  serve_pid=$!
  for attempt in $(seq 1 50); do
    grep -q " is at http://" serve.log 2>/dev/null && break
    kill -0 "$serve_pid" 2>/dev/null || break
    sleep 0.1
  done
  address=$(sed -n 's/.* is at \(http:[^ ]*\).*/\1/p' serve.log)
  if [ -z "$address" ]; then
    echo "demo: the web view did not start:" >&2
    cat serve.log >&2
    exit 1
  fi
  echo "demo: the web view of this run is at $address (stop it with: kill $serve_pid)"
fi
exit "$status"
