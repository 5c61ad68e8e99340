# Sourced by the scripts that need an X display of their own.
# start_xvfb DIR SIZE: starts Xvfb (-displayfd picks a free display), records its pid in
# DIR/xvfb.pid and exports DISPLAY; returns 1 if it did not come up.
start_xvfb() {
  local dir=$1 size=$2
  exec 3>"$dir/display"
  setsid Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp >"$dir/xvfb.log" 2>&1 </dev/null &
  echo $! >"$dir/xvfb.pid"
  exec 3>&-
  for _ in $(seq 100); do [ -s "$dir/display" ] && break; sleep 0.1; done
  [ -s "$dir/display" ] || { echo "Xvfb did not start" >&2; cat "$dir/xvfb.log" >&2; return 1; }
  export DISPLAY=:$(head -n1 "$dir/display")
}
