# shellcheck shell=bash
# apt as the setup scripts use it: as root or through sudo, never asking, and patient with a
# Debian mirror that is syncing (an index of the wrong size, a package briefly missing).
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
apt_options=(-o Acquire::Retries=5)

# Reads the package lists again; a mirror in mid-sync is asked again for up to about a minute.
# When it never answers in full, the lists it did give are used and the install that follows says
# what is missing.
apt_update() {
  local wait
  for wait in 20 40 0; do
    $sudo apt-get "${apt_options[@]}" update -qq && return 0
    [ "$wait" -eq 0 ] && break
    echo "apt: the package lists did not all arrive; asking again in $wait s" >&2
    sleep "$wait"
  done
  echo "apt: going on with the package lists that arrived" >&2
}

# Installs packages, reading the lists again once when a download fails.
apt_install() {
  $sudo apt-get "${apt_options[@]}" install -y -qq --no-install-recommends "$@" && return 0
  echo "apt: the install failed; reading the package lists again and trying once more" >&2
  apt_update
  $sudo apt-get "${apt_options[@]}" install -y -qq --no-install-recommends "$@"
}
