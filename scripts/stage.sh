# Sourced by the build and test scripts. `stage NAME COMMAND…` runs COMMAND (a program or a
# script, not a shell function: errexit would not reach inside one) and then prints
# "== stage NAME: M min S s", so that every log shows where the time goes.
stage() {
  local name=$1 start=$SECONDS status=0 took
  shift
  "$@" || status=$?
  took=$((SECONDS - start))
  echo "== stage $name: $((took / 60)) min $((took % 60)) s$([ "$status" -eq 0 ] || echo " (failed, status $status)")"
  return "$status"
}
