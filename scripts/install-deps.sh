#!/usr/bin/env bash
# Installs every Debian package dezu needs to build, run and test.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config clang clang-format clang-tidy libclang-rt-14-dev
  qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins qt6-translations-l10n libgl-dev
  libsqlcipher-dev sqlcipher sqlite3 libssl-dev
  libgstreamer1.0-dev libgstreamer-plugins-base1.0-dev
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-plugins-bad
  gstreamer1.0-plugins-ugly gstreamer1.0-libav timgm6mb-soundfont
  # The video files of the media tests are made by ffmpeg; the player's
  # benchmark runs gst-launch-1.0 beside it.
  ffmpeg gstreamer1.0-tools
  libcurl4-openssl-dev libicu-dev
  # GIO moves files to the wastebasket by their names' bytes.
  libglib2.0-dev
  fonts-noto-cjk fonts-arphic-ukai
  googletest libgtest-dev libgmock-dev
  xvfb xauth xdotool x11-utils trayer imagemagick libimage-exiftool-perl poppler-utils
  python3-aiosmtpd python3-cryptography
  dbus-x11 dbus-daemon libxcb1-dev openbox xclip
  # The desktops' settings daemons that the wallpaper tests talk to.
  dconf-service dconf-gsettings-backend gsettings-desktop-schemas libglib2.0-bin
  xfconf libxfconf-0-3 mate-desktop-common
)

# npm fetches SQLCipher 4's sources, on which a test builds the record store;
# where Node.js brought its own npm, that one serves.
command -v npm >/dev/null || packages+=(npm)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  $sudo_cmd apt-get update
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y --no-install-recommends "${missing[@]}"
fi
