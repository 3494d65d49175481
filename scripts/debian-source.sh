# Debian source packages fetched through apt by name and pinned version, without touching the
# machine's apt configuration. Sourced by the scripts that build QX5's libraries:
#
#     . scripts/debian-source.sh
#     debian_source_init BUILD_DIR
#     src=$(debian_source_fetch NAME VERSION DEST)
#
# The source entries are private (BUILD_DIR/debian-source/apt, with their own lists and cache)
# and name every suite a pinned version may come from, on the mirror and with the keyring of
# the machine's own Debian entries. A pin matters: an unpinned `apt-get source` takes the
# newest version listed, whose files a mirror does not always serve.

# Suites on the main mirror and on the security mirror.
debian_source_suites="bookworm bookworm-updates bookworm-backports trixie trixie-updates"
debian_source_security_suites="bookworm-security trixie-security"

# The first value of FIELD in the machine's Debian entries whose URI ends in SUFFIX ("/debian",
# "/debian-security"); in one-line entries only the URI is there.
debian_source_machine() {
  local field=$1 suffix=$2 f
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    awk -v field="$field" -v suffix="$suffix" '
      function found() { if (uri ~ suffix "/?$" && value != "") { print value; exit } uri = ""; value = "" }
      /^[[:space:]]*$/ { found(); next }
      $1 == "URIs:" { uri = $2 }
      $1 == field ":" { value = $2 }
      END { found() }' "$f"
  done
  if [ "$field" = URIs ]; then
    for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
      [ -f "$f" ] || continue
      sed -nE 's/^deb[[:space:]]+(\[[^]]*\][[:space:]]+)?([^[:space:]]*'"${suffix//\//\\/}"')\/?[[:space:]].*/\2/p' "$f"
    done
  fi
}

# Writes the private source entries and reads their indexes, once per build folder and day.
debian_source_init() {
  local build=$1
  local dir="$build/debian-source/apt"
  local mirror security keyring
  mirror=$(debian_source_machine URIs /debian | head -n 1)
  security=$(debian_source_machine URIs /debian-security | head -n 1)
  keyring=$(debian_source_machine Signed-By /debian | head -n 1)
  mirror=${mirror:-http://deb.debian.org/debian}
  security=${security:-${mirror%/debian}/debian-security}
  keyring=${keyring:-/usr/share/keyrings/debian-archive-keyring.gpg}
  debian_source_opts=(-o Dir::Etc::SourceList=/dev/null -o Dir::Etc::SourceParts="$dir/sources"
                      -o Dir::State::Lists="$dir/lists" -o Dir::Cache="$dir/cache"
                      -o APT::Sandbox::User=root -qq)
  local entries
  entries=$(printf 'Types: deb-src\nURIs: %s\nSuites: %s\nComponents: main\nSigned-By: %s\n\nTypes: deb-src\nURIs: %s\nSuites: %s\nComponents: main\nSigned-By: %s\n' \
            "$mirror" "$debian_source_suites" "$keyring" "$security" "$debian_source_security_suites" "$keyring")
  # Indexes read today for the same entries are used as they are: every build script of one
  # test run shares them.
  if [ -f "$dir/sources/debian.sources" ] && [ "$(cat "$dir/sources/debian.sources")" = "$entries" ] \
     && [ -n "$(find "$dir/updated" -mmin -1440 2>/dev/null)" ]; then
    return 0
  fi
  rm -rf "$dir"
  mkdir -p "$dir/sources" "$dir/lists/partial" "$dir/cache/archives/partial"
  printf '%s\n' "$entries" > "$dir/sources/debian.sources"
  echo "debian-source: reading the source indexes of $mirror and $security" >&2
  apt-get "${debian_source_opts[@]}" update >&2 || { echo "debian-source: apt-get update failed" >&2; return 1; }
  touch "$dir/updated"
}

# Fetches and unpacks (with Debian's patches) source package NAME at VERSION into a fresh DEST
# and prints the folder it unpacked to.
debian_source_fetch() {
  local name=$1 version=$2 dest=$3
  rm -rf "$dest"
  mkdir -p "$dest"
  echo "$name: fetching Debian's source package $version" >&2
  if ! (cd "$dest" && apt-get "${debian_source_opts[@]}" source "$name=$version" >&2 2>"$dest/apt.log"); then
    debian_source_without_dsc "$name" "$version" "$dest" || {
      cat "$dest/apt.log" >&2
      echo "$name: Debian's source package $version could not be fetched; if the mirror no longer" \
           "serves it, pin a version that 'apt-cache showsrc $name' lists and the mirror serves" >&2
      return 1
    }
  fi
  local src
  src=$(find "$dest" -mindepth 1 -maxdepth 1 -type d | head -n 1)
  [ -n "$src" ] || { echo "$name: no source unpacked" >&2; return 1; }
  echo "$src"
}

# Some mirrors serve a version's tarballs but not its .dsc. The source index (signed, through
# its Release file) gives every file's SHA-256, the tarballs' too: the .dsc is written from it,
# and dpkg-source checks the tarballs against it and applies Debian's patches as it would
# have with the original.
debian_source_without_dsc() {
  local name=$1 version=$2 dest=$3
  local uris
  uris=$(apt-get "${debian_source_opts[@]}" source --print-uris "$name=$version" 2>/dev/null \
         | sed -nE "s/^'[^']*' ([^ ]+) ([0-9]+) SHA256:([0-9a-f]+)$/\1 \2 \3/p")
  [ -n "$uris" ] || return 1
  local dsc
  dsc=$(echo "$uris" | awk '$1 ~ /\.dsc$/ { print $1 }')
  [ -n "$dsc" ] && [ ! -f "$dest/$dsc" ] || return 1
  local file size sha
  while read -r file size sha; do
    [ "$file" = "$dsc" ] || [ -f "$dest/$file" ] || return 1
  done <<< "$uris"
  echo "$name: the mirror serves no $dsc; writing it from the source index" >&2
  {
    printf 'Format: %s\nSource: %s\nVersion: %s\nChecksums-Sha256:\n' \
           "$(apt-cache "${debian_source_opts[@]}" showsrc "$name" \
              | awk -v v="$version" '/^Version: / { ok = ($2 == v) } ok && /^Format: / { sub(/^Format: /, ""); print; exit }')" \
           "$name" "$version"
    echo "$uris" | awk '$1 !~ /\.dsc$/ { print " " $3 " " $2 " " $1 }'
    echo "Files:"
    echo "$uris" | while read -r file size sha; do
      [ "$file" = "$dsc" ] || echo " $(md5sum < "$dest/$file" | cut -d' ' -f1) $size $file"
    done
  } > "$dest/$dsc"
  (cd "$dest" && dpkg-source -x "$dsc" >&2)
}

# True when version $1 is at least $2.
debian_source_at_least() {
  [ -n "$1" ] && [ "$(printf '%s\n%s\n' "$2" "$1" | sort -V | head -n 1)" = "$2" ]
}
