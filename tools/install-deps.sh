#!/usr/bin/env bash
# Installs the Debian packages the build, the program and the tests need; skips apt when all are present.
set -euo pipefail

packages=(
	g++ cmake ninja-build pkg-config ccache
	libssl-dev openssl
	qt6-base-dev qt6-base-dev-tools qt6-declarative-dev qt6-websockets-dev qt6-svg-dev qt6-scxml-dev
	qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools qt6-translations-l10n
	node-llhttp curl
	libpcsclite-dev pcscd vsmartcard-vpcd
	openpace libeac-dev stunnel4
	libbenchmark-dev
	desktop-file-utils
	python3 python3-cryptography python3-websockets
	nodejs node-ws chromium
	iproute2
	clang libclang-rt-14-dev
)

missing=()
for package in "${packages[@]}"; do
	if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
		missing+=("$package")
	fi
done

if [ ${#missing[@]} -gt 0 ]; then
	echo "Installing: ${missing[*]}"
	sudo_cmd=()
	[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
	"${sudo_cmd[@]}" apt-get update -qq
	DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
