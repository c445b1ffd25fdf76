# Sourced by the scripts. need_packages CHECK:PACKAGE ...: CHECK is a command
# on PATH or an absolute file path. Missing packages are installed when run
# as root; otherwise they are named and the script stops.
need_packages() {
  local missing=() item check
  for item in "$@"; do
    check=${item%%:*}
    if [ "${check#/}" != "$check" ]; then
      [ -e "$check" ] || missing+=("${item#*:}")
    else
      command -v "$check" > /dev/null 2>&1 || missing+=("${item#*:}")
    fi
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  if [ "$(id -u)" -eq 0 ]; then
    echo "installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq && apt-get install -y -qq "${missing[@]}" > /dev/null
  else
    echo "missing Debian packages: ${missing[*]} (as root: apt-get install ${missing[*]})"
    exit 1
  fi
}
