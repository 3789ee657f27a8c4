#!/usr/bin/env bash
# Builds the test key server's database once per build tree: the public keys
# of bob, carol and dave (dave is on no ring of the user, so finding him proves
# a real fetch). Usage: build_db.sh OUT_DIR DATA_DIR
set -euo pipefail
out=${1:?output directory}
data=${2:?key data directory}
rm -rf "$out.new"
mkdir -p "$out.new/var/log/sks" "$out.new/var/lib/sks" "$out.new/var/run/sks"
touch "$out.new/membership"
for k in bob carol dave; do
  gpg --dearmor < "$data/${k}_pub.asc"
done > "$out.new/keys.pgp"
(cd "$out.new" && sks build keys.pgp -basedir . -n 10 -cache 100 >build.log 2>&1 &&
   sks pbuild -basedir . -cache 20 -ptree_cache 70 >>build.log 2>&1)
rm -rf "$out"
mv "$out.new" "$out"
touch "$out/stamp"
