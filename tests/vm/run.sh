#!/usr/bin/env bash
# The real HID path, end to end: boots a small Linux VM (QEMU without hardware virtualisation)
# whose kernel has uhid, and runs tests/vm/guest.sh in it: px-uhid-host presents a simulated
# host as a USB HID device, and pxctl --host hid talks to it through the kernel, hidraw, hidapi
# and libudev.
#   tests/vm/run.sh                   install what is missing, build, boot, run the steps
#   VM_TIMEOUT=600 tests/vm/run.sh    a longer bound for the VM (default 240 s)
# The kernel of Debian's current linux-image-amd64, unpacked, is kept in ~/.cache/px-system/vm
# (PX_CACHE_DIR); everything else it makes stays in build/vm/:
# the initramfs, and console.log with the VM's whole output.
set -euo pipefail
cd "$(dirname "$0")/../.."

work=build/vm
mkdir -p "$work"

scripts/deps.sh qemu-system-x86 busybox-static cpio udev xz-utils binutils

# The VM runs this machine's own programs, so it must be the same architecture.
if [[ "$(dpkg --print-architecture)" != amd64 ]]; then
    echo "vm: skipped: the VM runs this machine's amd64 programs, and this is $(dpkg --print-architecture)"
    exit 0
fi
if ! qemu-system-x86_64 -accel help 2>/dev/null | grep -qx tcg; then
    echo "vm: skipped: qemu-system-x86_64 cannot run here (no TCG accelerator)"
    exit 0
fi

cmake --preset release >/dev/null
nice -n 10 cmake --build --preset release -j2 --target pxctl px-uhid-host px-hotplug-probe px-window-probe

# --- the kernel: Debian's current one, unpacked, with the three HID modules ----------------------
image=$(apt-cache depends linux-image-amd64 2>/dev/null | awk '/Depends: linux-image-[0-9]/ {print $2; exit}')
if [[ -z "$image" ]]; then
    apt-get update -qq
    image=$(apt-cache depends linux-image-amd64 | awk '/Depends: linux-image-[0-9]/ {print $2; exit}')
fi
# The unpacked kernel is kept outside the tree, for every clone's next run.
kernels=${PX_CACHE_DIR:-${XDG_CACHE_HOME:-$HOME/.cache}/px-system}/vm
kernel="$kernels/$image"
if [[ ! -f "$kernel/vmlinux" ]]; then
    # A kernel that Debian has since replaced is not kept.
    mkdir -p "$kernels"
    find "$kernels" -maxdepth 1 -name 'linux-image-*' -exec rm -rf {} +
    mkdir -p "$kernel/deb"
    if ! (cd "$kernel/deb" && apt-get download -qq "$image" 2>"../apt.log"); then
        echo "vm: cannot download $image:" && cat "$kernel/apt.log"
        exit 1
    fi
    dpkg-deb -x "$kernel"/deb/*.deb "$kernel/unpacked"
    for module in hid uhid hid-generic; do
        found=$(find "$kernel/unpacked/lib/modules" -name "$module.ko*" -path "*/drivers/hid/*" | head -n 1)
        case "$found" in
            *.xz) xz -dc "$found" >"$kernel/$module.ko" ;;
            *) cp "$found" "$kernel/$module.ko" ;;
        esac
    done
    bzimage=$(ls "$kernel"/unpacked/boot/vmlinuz-*)
    # The unpacked kernel boots straight away (PVH); the compressed one first unpacks itself,
    # which without hardware virtualisation takes seconds.
    offset=$(LC_ALL=C grep -aboP '\xFD7zXZ\x00' "$bzimage" | head -n 1 | cut -d: -f1 || true)
    if [[ -z "$offset" ]] || ! tail -c +$((offset + 1)) "$bzimage" | xz -dc --single-stream >"$kernel/vmlinux.part" 2>/dev/null; then
        cp "$bzimage" "$kernel/vmlinux.part"
    fi
    mv "$kernel/vmlinux.part" "$kernel/vmlinux"
    rm -rf "$kernel/deb" "$kernel/unpacked"
fi

# --- the initramfs: busybox, the programs with their libraries, udevd, the GBK converter ----------
root="$work/root"
rm -rf "$root"
mkdir -p "$root"/{bin,dev,proc,sys,run,tmp,lib/modules,lib/systemd,usr/local/bin,usr/bin,etc/udev/rules.d}
cp /bin/busybox "$root/bin/busybox"
ln -s busybox "$root/bin/sh"
cp "$kernel"/*.ko "$root/lib/modules/"
cp tests/vm/guest.sh "$root/init"
cp build/release/packaging/*.rules "$root/etc/udev/rules.d/"
programs=(build/release/bin/pxctl build/release/bin/px-uhid-host build/release/bin/px-hotplug-probe
    build/release/bin/px-window-probe)
for program in "${programs[@]}"; do
    strip -o "$root/usr/local/bin/$(basename "$program")" "$program"
done
cp /usr/bin/udevadm "$root/usr/bin/udevadm"
ln -s ../../usr/bin/udevadm "$root/lib/systemd/systemd-udevd"
gconv=$(dirname "$(find /usr/lib -name GBK.so -path "*/gconv/*" | head -n 1)")
mkdir -p "$root$gconv/gconv-modules.d"
cp "$gconv/GBK.so" "$gconv/gconv-modules" "$root$gconv/"
cp "$gconv"/gconv-modules.d/*.conf "$root$gconv/gconv-modules.d/"
# The window probe draws offscreen: the offscreen platform plugin, where Qt looks for it.
offscreen=$(find /usr/lib -path "*/qt6/plugins/platforms/libqoffscreen.so" | head -n 1)
mkdir -p "$root$(dirname "$offscreen")"
cp "$offscreen" "$root$offscreen"
[[ -d /etc/fonts ]] && cp -r /etc/fonts "$root/etc/"
# Each library at the path the loader looks for it, with the loader itself.
for binary in "${programs[@]}" /usr/bin/udevadm "$gconv/GBK.so" "$offscreen"; do
    ldd "$binary" | grep -oE '/[^ ]+' || true
done | sort -u | while read -r library; do
    mkdir -p "$root$(dirname "$library")"
    cp -L "$library" "$root$library"
done
(cd "$root" && find . | cpio -o -H newc --quiet | gzip -1) >"$work/initramfs.gz"

# --- boot and run ----------------------------------------------------------------------------------
console="$work/console.log"
echo "vm: booting $image ($(du -h "$work/initramfs.gz" | cut -f1) initramfs)"
started=$EPOCHREALTIME
status=0
# TCG's translation cache would otherwise grow to 1 GiB (qemu at 1 GB resident here); 64 MB
# keeps it under 400 MB at the same speed.
timeout "${VM_TIMEOUT:-240}" nice -n 10 qemu-system-x86_64 -accel tcg,tb-size=64 -smp 1 -m 256M \
    -display none -no-reboot -monitor none -serial "file:$console" \
    -kernel "$kernel/vmlinux" -initrd "$work/initramfs.gz" \
    -append "console=ttyS0 quiet panic=-1 rootfstype=ramfs" </dev/null >/dev/null 2>"$work/qemu.log" || status=$?
elapsed=$(awk -v a="$started" -v b="$EPOCHREALTIME" 'BEGIN {printf "%.1f", b - a}')

tr -d '\r' <"$console" | grep -E '^(ok|not ok) - |^    |^--- |^# |^vm: ' || true
result=$(tr -d '\r' <"$console" | grep -E '^vm: [0-9]+ passed, [0-9]+ failed$' | tail -n 1 || true)
echo "vm: $elapsed s from start to power-off"
if [[ $status -ne 0 ]]; then
    echo "vm: QEMU ended with status $status$([[ $status -eq 124 ]] && echo ' (time is up)'); see $console and $work/qemu.log"
    cat "$work/qemu.log"
    exit 1
fi
if [[ -z "$result" ]]; then
    echo "vm: the VM ended without its result line; see $console"
    tail -n 30 "$console"
    exit 1
fi
[[ "$result" == *" 0 failed" ]]
