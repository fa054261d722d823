#!/bin/sh
# The VM's first process (busybox sh): loads uhid, starts px-uhid-host on a simulated host and
# drives pxctl --host hid and the window (offscreen, px-window-probe) through the kernel,
# hidraw, hidapi and libudev, with and without a udev daemon. One line per step,
# "ok - ..." or "not ok - ..." (with what the step printed), then "vm: N passed, M failed".
# Every wait is for a condition, with a bound.

export PATH=/usr/local/bin:/usr/bin:/bin:/sbin HOME=/tmp LANG=C.UTF-8
/bin/busybox --install -s /bin
mount -t proc proc /proc
echo "# booted: init starts at $(cut -d' ' -f1 /proc/uptime) s"
mount -t sysfs sys /sys
mount -t devtmpfs dev /dev
mount -t tmpfs run /run
mkdir -p /tmp
echo "root:x:0:0::/root:/bin/sh" >/etc/passwd
echo "user:x:1000:1000::/tmp/user:/bin/sh" >>/etc/passwd
printf 'root:x:0:\nuser:x:1000:\n' >/etc/group
# hid-generic is not loaded on demand here: without it the device gets no hidraw node.
for module in hid uhid hid-generic; do
    insmod "/lib/modules/$module.ko" || echo "cannot load $module"
done

passed=0
failed=0
ok() {
    echo "ok - $1 ($(cut -d" " -f1 /proc/uptime))"
    passed=$((passed + 1))
}
not_ok() {
    echo "not ok - $1"
    [ -s /tmp/out ] && sed 's/^/    /' /tmp/out
    failed=$((failed + 1))
}
# step DESCRIPTION COMMAND...: the command's exit status decides; its output is kept for a failure.
step() {
    description=$1
    shift
    if "$@" >/tmp/out 2>&1; then ok "$description"; else not_ok "$description"; fi
}
# wait_for SECONDS COMMAND...: true once the command succeeds, false when the time is up.
wait_for() {
    tries=$(($1 * 20))
    shift
    while ! "$@" >/dev/null 2>&1; do
        tries=$((tries - 1))
        [ "$tries" -gt 0 ] || return 1
        sleep 0.05
    done
}

SIM=/tmp/sim
DATA=/tmp/data
hid() { pxctl --data-dir "$DATA" --host hid "$@"; }
sim() { pxctl --data-dir "$DATA" --host "sim:$SIM" "$@"; }
# The hidraw node of the simulated host (product id $1, default 1234); fails when there is none.
node_of() {
    for entry in /sys/class/hidraw/hidraw*; do
        if grep -qi "^HID_ID=0003:00000483:0000${1:-1234}$" "$entry/device/uevent" 2>/dev/null; then
            echo "/dev/${entry##*/}"
            return 0
        fi
    done
    return 1
}
no_node() { ! node_of "$@"; }
plugged() { sim --json sim status | grep -q "\"plugged\":$1"; }
# expect_status N COMMAND...: the command exits with status N.
expect_status() {
    want=$1
    shift
    "$@"
    [ $? -eq "$want" ]
}
# start_uhid_host DIR [OPTIONS]
start_uhid_host() {
    dir=$1
    shift
    px-uhid-host "$@" "$dir" 2>>/tmp/uhid-host.log &
    uhid_pid=$!
}
stop_uhid_host() {
    kill -TERM "$uhid_pid"
    wait "$uhid_pid"
}

# The checks that take more than one command.
probe_stands_down() {
    px-hotplug-probe --events 1 --timeout-ms 100
    [ $? -eq 3 ]
}
node_has_uaccess_tag() {
    udevadm settle -t 10 && udevadm info --query=property --name="$(node_of)" | grep -q "TAGS=.*:uaccess:"
}
version_is() {
    hid version >/tmp/version && [ "$(cat /tmp/version)" = "$1" ]
}
capture_has_both_directions() {
    grep -q "^Write:0055AA0182" "$SIM/capture.log" && grep -q "^Read :0055AA0282" "$SIM/capture.log"
}
version_fails_for_gbk() {
    expect_status 1 hid version >/tmp/version 2>/tmp/why && [ ! -s /tmp/version ] && grep -q GBK /tmp/why
}
same_rows() {
    [ "$(pxctl --data-dir "$DATA" "$1" list --file 副本)" = "$(pxctl --data-dir "$DATA" "$1" list --file 店)" ]
}
no_file() {
    ! pxctl --data-dir "$DATA" file list | grep -q "$1"
}
probe_saw_leave_and_return() {
    sed -n 2p /tmp/probe | grep -q "^removed /dev/hidraw" && sed -n 3p /tmp/probe | grep -q "^added /dev/hidraw"
}
gone_and_unplugged() { wait_for 10 no_node && plugged false; }
back_and_plugged() { wait_for 10 node_of && plugged true; }

# --- the kernel side ---------------------------------------------------------------------------
step "/dev/uhid is there" test -c /dev/uhid
# Without a udev daemon no hotplug event ever comes: the window must search instead of waiting.
step "without a udev daemon the hotplug watch stands down" probe_stands_down

# Nor does the window wait for one: its one-second search alone finds the host, silently.
window_finds_host_by_searching() {
    px-window-probe /tmp/window --connects 1 --timeout-ms 20000 >/tmp/window.out 2>/tmp/window.err
    status=$?
    cp /tmp/window.out /tmp/out
    kill "$monitor_pid"
    { echo "hidraw node: $(node_of || echo none)"; sim sim status; cat /tmp/steps.out /tmp/udev.out; } >>/tmp/out 2>&1
    [ $status -eq 0 ] && grep -q "^not watching" /tmp/window.out && ! grep -q "^message:" /tmp/window.out
}
mkdir -p /tmp/window
sim sim version "PX V2.1 uhid" >/tmp/out 2>&1
start_uhid_host "$SIM"
wait_for 10 node_of
step "without a udev daemon the window finds the host by its search alone, without a message" \
    window_finds_host_by_searching
stop_uhid_host
wait_for 10 no_node

/lib/systemd/systemd-udevd --daemon 2>/tmp/udevd.log
step "systemd-udevd runs" wait_for 10 test -S /run/udev/control
step "the udev rule opens /dev/uhid to the seat's user" wait_for 10 test -L /run/udev/static_node-tags/uaccess/uhid

# --- the device appears -----------------------------------------------------------------------
start_uhid_host "$SIM"
step "px-uhid-host makes a hidraw node for 0483:1234" wait_for 10 node_of
step "the udev rule gives the seat's user the simulated host" node_has_uaccess_tag

# A user without the seat's access (no logind here applies the uaccess tag) may not open it.
user_is_told_how() {
    mkdir -p /tmp/user && chown 1000:1000 /tmp/user
    expect_status 1 su -s /bin/sh user -c "HOME=/tmp/user pxctl --data-dir /tmp/user/data --host hid version" 2>/tmp/why
    grep -q "70-px-host.rules" /tmp/why
}
step "a user who may not open the host is told how to allow it" user_is_told_how

# --- single exchanges and the GBK converter -----------------------------------------------------
step "version through hidraw" version_is "PX V2.1 uhid"
step "the simulated host logged both reports" capture_has_both_directions
gconv=$(ls -d /usr/lib/*/gconv)
mv "$gconv/GBK.so" /tmp/GBK.so
step "without the GBK converter the version fails and says why" version_fails_for_gbk
mv /tmp/GBK.so "$gconv/GBK.so"

# --- downloads, verify, read-back with import -------------------------------------------------
{
    pxctl --data-dir "$DATA" file new 店 --model px &&
        pxctl --data-dir "$DATA" im add 3 123 --type LW3 --file 店 &&
        pxctl --data-dir "$DATA" im add 7 2097151 --file 店 &&
        pxctl --data-dir "$DATA" handheld add 5 1A2B --file 店 &&
        pxctl --data-dir "$DATA" caller register --code ABCDE --from 1 --to 3 --plus-one --name 八号桌 --file 店
} >/tmp/out 2>&1 || not_ok "the configuration file is made"
for table in im callers handhelds; do
    step "download $table" hid download "$table" --file 店
done
step "verify reads the three tables back and finds them equal" hid verify 店
for table in im callers handhelds; do
    step "read-back of $table imported" hid --yes readback "$table" --import 副本
done
for list in im handheld caller; do
    step "the imported $list rows equal the downloaded ones" same_rows "$list"
done

# --- unplugged in the middle of a command -------------------------------------------------------
pxctl --data-dir "$DATA" caller set ABCDE1 CallName 九号桌 --file 店 >/tmp/out 2>&1
sim sim fault unplug-at:2 >/tmp/out 2>&1
step "a download cut by an unplug fails" expect_status 1 hid download callers --file 店
step "the device goes with the plug" gone_and_unplugged
sim sim plug >/tmp/out 2>&1
step "pxctl sim plug brings the device back" wait_for 10 node_of
step "nothing of the cut download was kept" hid verify 副本
sim sim fault unplug-at:3 >/tmp/out 2>&1
step "a read-back cut by an unplug fails" expect_status 1 hid --yes readback callers --import 丙
step "and imports nothing" no_file 丙
sim sim plug >/tmp/out 2>&1
wait_for 10 node_of

# --- hotplug -----------------------------------------------------------------------------------
px-hotplug-probe --events 2 --timeout-ms 20000 >/tmp/probe 2>&1 &
probe_pid=$!
wait_for 10 grep -q "^watching" /tmp/probe
sim sim unplug >/tmp/out 2>&1
wait_for 10 no_node
sim sim plug >/tmp/out 2>&1
wait "$probe_pid"
cp /tmp/probe /tmp/out
step "a monitor sees the host leave and come back" probe_saw_leave_and_return
wait_for 10 node_of
# The window's title follows: removed at the unplug, connected again at the tick after the plug.
window_follows_hotplug() {
    # The previous step's events are through udev before the window starts watching.
    udevadm settle -t 10
    udevadm monitor --kernel --udev --subsystem-match=hidraw >/tmp/udev.out 2>&1 &
    monitor_pid=$!
    # Emptied here, not by the background job's own redirection: that runs a moment later, and
    # until then the wait below would read the earlier window step's titles.
    : >/tmp/window.out
    px-window-probe /tmp/window --connects 2 --timeout-ms 30000 >>/tmp/window.out 2>/tmp/window.err &
    window_pid=$!
    if wait_for 15 grep -q "已连接设备" /tmp/window.out; then
        echo "unplug at $(cut -d' ' -f1 /proc/uptime)" >/tmp/steps.out
    else
        echo "the window did not connect within 15 s" >/tmp/steps.out
    fi
    sim sim unplug
    wait_for 10 grep -q "^title: PX_SystemDlg----------\[未连接设备\]" /tmp/window.out
    echo "hidraw node after the unplug: $(node_of || echo none) at $(cut -d' ' -f1 /proc/uptime)" >>/tmp/steps.out
    sim sim plug
    wait "$window_pid"
    status=$?
    cp /tmp/window.out /tmp/out
    kill "$monitor_pid"
    { echo "hidraw node: $(node_of || echo none)"; sim sim status; cat /tmp/steps.out /tmp/udev.out; } >>/tmp/out 2>&1
    [ $status -eq 0 ] && grep -q "^watching" /tmp/window.out && ! grep -q "^message:" /tmp/window.out &&
        grep -q "^title: PX_SystemDlg----------\[未连接设备\]" /tmp/window.out
}
step "the window's title follows the unplug and the plug" window_follows_hotplug
wait_for 10 node_of
kill -USR1 "$uhid_pid"
step "SIGUSR1 pulls the plug" gone_and_unplugged
kill -USR2 "$uhid_pid"
step "SIGUSR2 plugs it in again" back_and_plugged

# --- the program's end, its own unplug, the other model ------------------------------------------
stop_uhid_host
step "SIGTERM ends px-uhid-host cleanly" test $? -eq 0
step "and the device goes with it" wait_for 10 no_node
start_uhid_host "$SIM" --unplug-after 1
wait_for 10 node_of
step "--unplug-after 1: the first command meets an unplugged host" expect_status 1 hid version
step "and the device is gone" wait_for 10 no_node
stop_uhid_host
start_uhid_host /tmp/sim-qx --model qx
step "a QX host is 0483:5158" wait_for 10 node_of 5158
step "and answers" hid version
stop_uhid_host

if [ "$failed" -gt 0 ]; then
    echo "--- px-uhid-host said:"
    sed "s/^/    /" /tmp/uhid-host.log # indented: run.sh keeps only such lines
fi
echo "vm: $passed passed, $failed failed"
poweroff -f
