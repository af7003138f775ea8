#!/usr/bin/env bash
# The release a vendor ships: builds isreloc.exe for i686 (the one to ship) and x86_64 in Release
# from clean build folders and writes
#   dist/isreloc-<version>/   isreloc.exe, isreloc-x64.exe, README.txt (the guide for vendors and
#                             administrators: README.md's sections for users, docs/vendors.md and
#                             docs/administrators.md) and SHA256SUMS
#   dist/isreloc-<version>.zip   that folder, packed
# The version is the project's (CMakeLists.txt), read back from the header the build made of it.
#
# Unsigned, the same commit gives the same bytes (both programs and the zip) in any folder, at any
# time: the build leaves out link times and folders, and the zip gets fixed dates (the commit's
# time, or SOURCE_DATE_EPOCH), a fixed order and no owners or extra time stamps.
#
# Signing (Authenticode, SHA-256) happens only when both of these are set:
#   ISRELOC_SIGN_CERT=<file.pfx>           the code-signing certificate with its key (and chain)
#   ISRELOC_SIGN_PASSWORD_FILE=<file>      the file holding the .pfx's password
#   ISRELOC_SIGN_TIMESTAMP_URL=<url>       optional: an RFC 3161 time-stamp server
# Each signature is verified, and removing it must give back the unsigned build byte for byte;
# SHA256SUMS and the zip then hold the signed files. A signature carries its signing time, so
# signed files differ from run to run; the programs without their signatures do not.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
bash scripts/ensure-tools.sh

# The commit's time unless the caller names one; 1980-01-01, the earliest a zip can hold, for a
# tree that is not a git checkout.
if [[ -z "${SOURCE_DATE_EPOCH:-}" ]]; then
  SOURCE_DATE_EPOCH=$(git log -1 --format=%ct 2>/dev/null || echo 315532800)
fi
export SOURCE_DATE_EPOCH TZ=UTC LC_ALL=C
umask 022
if [[ -n "$(git status --porcelain --untracked-files=no 2>/dev/null || true)" ]]; then
  echo "note: the work tree has uncommitted changes; this release is not the build of a commit"
fi

signing=no
if [[ -n "${ISRELOC_SIGN_CERT:-}" && -n "${ISRELOC_SIGN_PASSWORD_FILE:-}" ]]; then
  signing=yes
  [[ -r "$ISRELOC_SIGN_CERT" ]] || { echo "cannot read ISRELOC_SIGN_CERT=$ISRELOC_SIGN_CERT" >&2; exit 1; }
  [[ -r "$ISRELOC_SIGN_PASSWORD_FILE" ]] ||
    { echo "cannot read ISRELOC_SIGN_PASSWORD_FILE=$ISRELOC_SIGN_PASSWORD_FILE" >&2; exit 1; }
elif [[ -n "${ISRELOC_SIGN_CERT:-}${ISRELOC_SIGN_PASSWORD_FILE:-}" ]]; then
  echo "signing needs both ISRELOC_SIGN_CERT and ISRELOC_SIGN_PASSWORD_FILE" >&2
  exit 1
fi

build=build/release
rm -rf "$build"
for preset in mingw mingw64; do
  echo "=== building isreloc.exe ($preset, Release) in $build/$preset"
  cmake --preset "$preset" -B "$build/$preset" -DCMAKE_BUILD_TYPE=Release -DISRELOC_TESTS=OFF >/dev/null
  cmake --build "$build/$preset" --target isreloc
done
version=$(sed -n 's/^#define ISRELOC_VERSION_TEXT "\(.*\)"$/\1/p' "$build/mingw/app/res/version.h")
[[ -n "$version" ]] || { echo "no version in $build/mingw/app/res/version.h" >&2; exit 1; }

name=isreloc-$version
folder=dist/$name
rm -rf "$folder" "dist/$name.zip"
mkdir -p "$folder"
cp "$build/mingw/bin/isreloc.exe" "$folder/isreloc.exe"
cp "$build/mingw64/bin/isreloc.exe" "$folder/isreloc-x64.exe"

# README.txt: the guide for vendors and administrators, with Windows line ends: the README without
# its sections for the project's developers, then the guides for vendors and for administrators.
# A heading missing here means the README changed: better to stop than to ship those sections.
developer_sections=("The two commands" "Read on")
guides=(docs/vendors.md docs/administrators.md)
for section in "${developer_sections[@]}"; do
  grep -qxF "## $section" README.md || { echo "README.md has no section \"$section\": update $0" >&2; exit 1; }
done
for guide in "${guides[@]}"; do
  [[ -r "$guide" ]] || { echo "no $guide: update $0" >&2; exit 1; }
done
{
  awk -v sections="$(printf '%s\n' "${developer_sections[@]}")" '
    BEGIN { count = split(sections, list, "\n"); for (i = 1; i <= count; i++) if (list[i] != "") skip["## " list[i]] = 1 }
    /^## / { skipping = ($0 in skip) }
    !skipping' README.md
  for guide in "${guides[@]}"; do echo; cat "$guide"; done
} | awk '{ sub(/\r$/, ""); printf "%s\r\n", $0 }' > "$folder/README.txt"

if [[ "$signing" == yes ]]; then
  # Verified against the certificates in the .pfx (the signer and the chain it carries) besides the
  # system's roots, so a vendor's own or test certificate verifies as well as a public one.
  trust=$(mktemp -d)
  trap 'rm -rf "$trust"' EXIT
  openssl pkcs12 -in "$ISRELOC_SIGN_CERT" -nokeys -passin "file:$ISRELOC_SIGN_PASSWORD_FILE" -out "$trust/pfx.pem" 2>/dev/null ||
    openssl pkcs12 -legacy -in "$ISRELOC_SIGN_CERT" -nokeys -passin "file:$ISRELOC_SIGN_PASSWORD_FILE" -out "$trust/pfx.pem"
  cat "$trust/pfx.pem" /etc/ssl/certs/ca-certificates.crt > "$trust/ca.pem" 2>/dev/null || cp "$trust/pfx.pem" "$trust/ca.pem"
  for file in isreloc.exe isreloc-x64.exe; do
    echo "=== signing $file"
    osslsigncode sign -pkcs12 "$ISRELOC_SIGN_CERT" -readpass "$ISRELOC_SIGN_PASSWORD_FILE" -h sha256 -n isreloc \
      ${ISRELOC_SIGN_TIMESTAMP_URL:+-ts "$ISRELOC_SIGN_TIMESTAMP_URL"} \
      -in "$folder/$file" -out "$trust/$file" >/dev/null
    osslsigncode verify -CAfile "$trust/ca.pem" -in "$trust/$file" > "$trust/verify.log" 2>&1 ||
      { cat "$trust/verify.log" >&2; echo "the signature on $file does not verify" >&2; exit 1; }
    # Signing adds the signature and nothing else: without it the file is the reproducible build.
    osslsigncode remove-signature -in "$trust/$file" -out "$trust/$file.unsigned" >/dev/null
    cmp -s "$trust/$file.unsigned" "$folder/$file" ||
      { echo "$file without its signature differs from the build" >&2; exit 1; }
    mv "$trust/$file" "$folder/$file"
    echo "    signed and verified"
  done
else
  echo "not signing: set ISRELOC_SIGN_CERT and ISRELOC_SIGN_PASSWORD_FILE to sign both programs"
fi

files=(README.txt isreloc-x64.exe isreloc.exe)
(cd "$folder" && sha256sum "${files[@]}" > SHA256SUMS)
files+=(SHA256SUMS)
chmod 644 "${files[@]/#/$folder/}"
touch -h -d "@$SOURCE_DATE_EPOCH" "${files[@]/#/$folder/}"
(cd dist && zip -X -D -q "$name.zip" "${files[@]/#/$name/}")

echo "=== dist/$name/ ($([[ "$signing" == yes ]] && echo signed || echo unsigned))"
(cd "$folder" && cat SHA256SUMS)
(cd dist && sha256sum "$name.zip")
