#!/usr/bin/env bash
# Runs a command of this checkout inside a small Debian 12 machine under QEMU's
# software emulation. For machines whose CPU gives user code no 32-bit mode,
# which Wine needs (scripts/machine.sh asks). The checkout and the build tree
# appear in the emulated machine at their own paths; the command's output
# streams here and its exit code is this script's. The machine's disk (Wine,
# Xvfb and the tools the tests call, with a Wine prefix made) is built once and
# cached in $ORV_VM (default /opt/orv-vm); each run starts from it afresh.
# Usage: scripts/in-vm.sh [--cpus N] [--tag NAME] BUILD_DIR COMMAND [ARGS...]
#        scripts/in-vm.sh --prepare BUILD_DIR   (only builds the disk, if needed)
# (--tag: several machines at once, each named, its console lines marked)
set -euo pipefail
[ -z "${ORV_IN_VM:-}" ] || { echo "in-vm: already in the emulated machine" >&2; exit 1; }
here=$(cd "$(dirname "$0")/.." && pwd)
cpus=$(nproc)
tag=
prepare=
while [ $# -gt 0 ]; do
  case "$1" in
    --cpus) cpus=${2:?}; shift 2 ;;
    --tag) tag=${2:?}; shift 2 ;;
    --prepare) prepare=1; shift ;;
    *) break ;;
  esac
done
build=$(cd "${1:?build directory}" && pwd)
shift
vm=${ORV_VM:-/opt/orv-vm}
. "$here/scripts/machine.sh"
# Inside, Wine keeps its prefixes on the machine's own disk, not on the share.
guest_prefix=/var/lib/orv/wineprefix

sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)

guest_packages=(linux-image-amd64 kmod iproute2 procps wine wine32:i386 wine64 xvfb xauth x11-apps
                imagemagick gnupg sq sks python3 cmake binutils-mingw-w64-i686)
recipe="orv-vm 2: bookworm ${guest_packages[*]}"

# Boots the machine with the job script $1 and the disk $2; extra qemu options follow.
boot() {
  local job=$1 disk=$2
  shift 2
  # Without -smap: QEMU 7.2's emulation faults the guest kernel's user copies with it.
  qemu-system-x86_64 -accel tcg,thread=multi,tb-size=1024 -cpu max,-smap -smp "$cpus" -m 6G \
    -nodefaults -display none -no-reboot -serial stdio \
    -kernel "$vm/vmlinuz" -initrd "$vm/initrd.img" \
    -drive "file=$disk,format=raw,if=virtio,cache=unsafe" \
    -fw_cfg "name=opt/orv/job,file=$job" "$@" \
    -append "console=ttyS0 root=/dev/vda rw init=/sbin/orv-init quiet mitigations=off" </dev/null
}

# Shows the machine's console from its first own line on (firmware and kernel
# chatter only in the log file $1).
console() {
  local seen= line mark=${tag:+[$tag] }
  while IFS= read -r line; do
    line=${line%$'\r'}
    printf '%s\n' "$line" >>"$1"
    [ -n "$seen" ] || [[ $line != "== emulated machine up"* ]] || seen=1
    [ -z "$seen" ] || printf '%s\n' "$mark$line"
  done
}

q() { printf '%q' "$1"; }

# The checkout (and the build tree, when it lies elsewhere) at their own paths.
shares=(-virtfs "local,path=${here//,/,,},mount_tag=src,security_model=none")
mounts="mkdir -p $(q "$here") && mount -t 9p -o trans=virtio,version=9p2000.L,msize=524288,cache=loose src $(q "$here") || exit 1"
case "$build/" in
  "$here"/*) ;;
  *) shares+=(-virtfs "local,path=${build//,/,,},mount_tag=build,security_model=none")
     mounts+=$'\n'"mkdir -p $(q "$build") && mount -t 9p -o trans=virtio,version=9p2000.L,msize=524288,cache=loose build $(q "$build") || exit 1" ;;
esac

# Writes DIR/job.sh, which runs COMMAND in the checkout and leaves its exit code in DIR/rc.
write_job() {
  local dir=$1
  shift
  {
    echo "set -u"
    echo "$mounts"
    # GnuPG puts its sockets here when a home on the share cannot hold them.
    echo "mkdir -p -m 700 /run/user/\$(id -u)"
    echo "cd $(q "$here")"
    echo "export ORV_BUILD=$(q "$build") ORV_WINEPREFIX=$guest_prefix ORV_IN_VM=1 ORV_TIME_SCALE=$orv_emulated_time_scale"
    # Through a pipe: programs that find a terminal draw on it (Wine's
    # console, CTest's colours), which the log here would keep as escapes.
    printf '%q ' "$@"; echo "2>&1 | cat"
    echo "echo \${PIPESTATUS[0]} > $(q "$dir/rc")"
    echo "sync"
  } >"$dir/job.sh"
}

make_image() {
  echo "== building the emulated machine in $vm (once)"
  local host_missing=()
  for p in debootstrap qemu-system-x86 e2fsprogs; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || host_missing+=("$p")
  done
  if [ ${#host_missing[@]} -gt 0 ]; then
    for try in 1 2 3; do "${sudo_cmd[@]}" apt-get update -q && break; sleep 15; done
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -q "${host_missing[@]}"
  fi
  "${sudo_cmd[@]}" mkdir -p "$vm"
  "${sudo_cmd[@]}" chown "$(id -u):$(id -g)" "$vm"
  local root="$vm/root"
  "${sudo_cmd[@]}" rm -rf "$root" "$vm/stamp"
  local try
  for try in 1 2 3; do
    "${sudo_cmd[@]}" debootstrap --variant=minbase bookworm "$root" \
      http://deb.debian.org/debian >"$vm/debootstrap.log" 2>&1 && break
    [ "$try" = 3 ] && { tail -20 "$vm/debootstrap.log"; exit 1; }
    "${sudo_cmd[@]}" rm -rf "$root"
    sleep 20
  done
  "${sudo_cmd[@]}" tee "$root/etc/apt/sources.list" >/dev/null <<'SOURCES'
deb http://deb.debian.org/debian bookworm main
deb http://deb.debian.org/debian bookworm-updates main
SOURCES
  # No service starts inside the chroot (the key server package would).
  printf '#!/bin/sh\nexit 101\n' | "${sudo_cmd[@]}" tee "$root/usr/sbin/policy-rc.d" >/dev/null
  "${sudo_cmd[@]}" chmod +x "$root/usr/sbin/policy-rc.d"
  # Nothing here needs to survive a crash before the disk image is made.
  echo force-unsafe-io | "${sudo_cmd[@]}" tee "$root/etc/dpkg/dpkg.cfg.d/orv-unsafe-io" >/dev/null
  "${sudo_cmd[@]}" mount -t proc proc "$root/proc"
  local rc=0
  # A mirror caught in its sync answers with a bad index now and then: ask again.
  "${sudo_cmd[@]}" chroot "$root" /bin/sh -c "dpkg --add-architecture i386 &&
      for try in 1 2 3 4 5; do apt-get update -q && break; [ \$try = 5 ] && exit 1; sleep 20; done &&
      DEBIAN_FRONTEND=noninteractive apt-get install -y -q -o Acquire::Retries=5 ${guest_packages[*]} &&
      apt-get clean" >"$vm/apt.log" 2>&1 || rc=$?
  "${sudo_cmd[@]}" umount "$root/proc"
  [ "$rc" -eq 0 ] || { tail -20 "$vm/apt.log"; exit 1; }

  "${sudo_cmd[@]}" tee "$root/sbin/orv-init" >/dev/null <<'INIT'
#!/bin/bash
# The emulated machine's init: runs the job that the host hands over, then powers off.
export PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin HOME=/root
mount -t proc proc /proc 2>/dev/null; mount -t sysfs sys /sys 2>/dev/null; mount -t devtmpfs dev /dev 2>/dev/null
mkdir -p /dev/pts /dev/shm; mount -t devpts devpts /dev/pts; mount -t tmpfs shm /dev/shm
mount -t tmpfs tmp /tmp
ip link set lo up; hostname orv-vm
modprobe -q qemu_fw_cfg; modprobe -q 9pnet_virtio; modprobe -q 9p
echo "== emulated machine up after $(cut -d' ' -f1 /proc/uptime) s"
bash /sys/firmware/qemu_fw_cfg/by_name/opt/orv/job/raw </dev/null
sync; echo o > /proc/sysrq-trigger; sleep 30
INIT
  "${sudo_cmd[@]}" chmod +x "$root/sbin/orv-init"
  "${sudo_cmd[@]}" cat "$root"/boot/vmlinuz-* >"$vm/vmlinuz"
  "${sudo_cmd[@]}" cat "$root"/boot/initrd.img-* >"$vm/initrd.img"
  rm -f "$vm/root.img"
  truncate -s 8G "$vm/root.img"
  "${sudo_cmd[@]}" mkfs.ext4 -q -F -d "$root" "$vm/root.img"
  "${sudo_cmd[@]}" chown "$(id -u):$(id -g)" "$vm/root.img"
  "${sudo_cmd[@]}" rm -rf "$root"

  # The Wine prefix once, on the disk itself, made as every run's Wine session
  # makes it: every run then starts with it. The 32-bit package triggers that
  # the chroot could not run, run here.
  local made="$build/vm-prefix"
  rm -rf "$made"; mkdir -p "$made"
  write_job "$made" bash -c 'dpkg --configure -a >/dev/null 2>&1; dpkg --triggers-only -a >/dev/null 2>&1
    build=$1; . scripts/wine-session.sh; orv_wine_stop; wineserver -w' prefix "$made"
  boot "$made/job.sh" "$vm/root.img" "${shares[@]}" | console "$made/console.log"
  debugfs -R "stat $guest_prefix/system.reg" "$vm/root.img" 2>/dev/null | grep -q '^Inode' ||
    { echo "in-vm: the emulated machine did not make its Wine prefix" >&2; exit 1; }
  echo "$recipe" >"$vm/stamp"
}

[ -f "$vm/stamp" ] && [ "$(cat "$vm/stamp")" = "$recipe" ] || make_image
[ -z "$prepare" ] || exit 0

run="$build/vm-run${tag:+-$tag}"
rm -rf "$run"
mkdir -p "$run"
write_job "$run" "$@"

echo "== running in the emulated machine${tag:+ $tag}: $*"
boot "$run/job.sh" "$vm/root.img" -snapshot "${shares[@]}" | console "$run/console.log"
if [ ! -s "$run/rc" ]; then
  tail -20 "$run/console.log" >&2
  echo "in-vm: the emulated machine stopped before the command ended" >&2
  exit 1
fi
exit "$(cat "$run/rc")"
