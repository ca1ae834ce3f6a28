#!/usr/bin/env bash
# The Debian package: built by CPack from the build tree given, its contents and
# control data read back with dpkg-deb, unpacked into a scratch root with dpkg -x,
# its systemd unit checked by systemd-analyze, the unpacked program run on the
# example job folder, and (as root) the package installed, run and purged by dpkg
# inside a throw-away overlay of the system. Exit 77 (skipped) when a tool it
# needs is missing.
set -euo pipefail
build=$1

skip() { echo "SKIPPED: $*"; exit 77; }
fail() { echo "FAILED: $*"; exit 1; }
checks=0
pass() { checks=$((checks + 1)); }

for tool in cpack dpkg-deb dpkg-shlibdeps; do
    command -v "$tool" >/dev/null || skip "$tool is missing (apt-get install cmake dpkg-dev)"
done
[ -f "$build/man/obrenta.1.gz" ] ||
    skip "no manual pages were built (apt-get install pandoc, then configure again)"

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
(cd "$build" && cpack -G DEB -B "$scratch/out") >"$scratch/cpack.log" 2>&1 ||
    { cat "$scratch/cpack.log"; fail "cpack -G DEB"; }
deb=$(echo "$scratch"/out/obrenta_*_*.deb)
[ -f "$deb" ] || fail "no package in $scratch/out"

# What the package holds.
contents=$(dpkg-deb --contents "$deb" | awk '{print $6}')
for path in ./usr/bin/obrenta ./usr/lib/libobrenta.so ./usr/lib/libobplatform.so \
    ./usr/lib/libobvbscript.so ./usr/lib/libobmapi.so ./usr/lib/libobsetup.so \
    ./usr/lib/systemd/system/obrenta.service ./etc/pam.d/obrenta \
    ./etc/obrenta/jobs/AutoRun.jr ./etc/obrenta/jobs/Config.jr ./etc/obrenta/jobs/User.jr \
    ./usr/share/man/man1/obrenta.1.gz ./usr/share/man/man5/obrenta-jobs.5.gz \
    ./usr/share/man/man8/obrenta-setup.8.gz ./usr/share/man/man8/obrenta.service.8.gz \
    ./usr/share/obrenta/examples/hello.jr ./usr/include/obrenta/setup.h; do
    grep -qxF -- "$path" <<<"$contents" || fail "the package lacks $path"
    pass
done
if grep -E '_tests$|_bench$|\.a$|/_CPack_|/tests/' <<<"$contents"; then
    fail "the package holds files of the build tree"
fi
pass

# Its control data: configuration files, maintainer scripts, dependencies.
dpkg-deb --control "$deb" "$scratch/control"
printf '%s\n' /etc/obrenta/jobs/AutoRun.jr /etc/obrenta/jobs/Config.jr \
    /etc/obrenta/jobs/User.jr /etc/pam.d/obrenta >"$scratch/conffiles"
diff -u "$scratch/conffiles" "$scratch/control/conffiles" || fail "conffiles"
pass
for script in postinst prerm postrm; do
    [ -x "$scratch/control/$script" ] || fail "$script is missing or not executable"
    sh -n "$scratch/control/$script" || fail "$script does not parse"
    pass
done
for dependency in libc6 libsqlite3-0 libcurl4 libpam0g libjpeg62-turbo; do
    grep -q "^Depends:.*\b$dependency\b" "$scratch/control/control" ||
        fail "Depends lacks $dependency: $(grep ^Depends: "$scratch/control/control")"
    pass
done

# Unpacked, the unit starts the program on the job folder, and systemd accepts it.
dpkg -x "$deb" "$scratch/root"
unit="$scratch/root/usr/lib/systemd/system/obrenta.service"
for line in "Type=notify" "ExecStart=/usr/bin/obrenta run --jobs /etc/obrenta/jobs" \
    'ExecReload=/bin/kill -HUP $MAINPID' "RuntimeDirectory=obrenta"; do
    grep -qxF -- "$line" "$unit" || fail "the unit lacks '$line'"
    pass
done
if command -v systemd-analyze >/dev/null; then
    # The unit as it would be with the package installed: its program is the
    # unpacked one (systemd-analyze checks that the command exists).
    mkdir "$scratch/units"
    sed "s#/usr/bin/obrenta#$scratch/root/usr/bin/obrenta#" "$unit" >"$scratch/units/obrenta.service"
    verified=$(systemd-analyze verify --man=no "$scratch/units/obrenta.service" 2>&1) ||
        fail "systemd-analyze verify: $verified"
    [ -z "$verified" ] || fail "systemd-analyze verify warns: $verified"
    pass
else
    echo "systemd-analyze is missing (apt-get install systemd): the unit is not verified"
fi

# The manual pages are roff with a NAME section.
for page in man1/obrenta.1.gz man8/obrenta.service.8.gz; do
    text=$(gzip -dc "$scratch/root/usr/share/man/$page")
    grep -q '^\.TH' <<<"$text" && grep -q '^\.SH NAME' <<<"$text" || fail "$page is not a manual page"
    pass
done

# The unpacked program runs the example job folder, with settings of its own.
export OBRENTA_MACHINE_DIR="$scratch/machine" OBRENTA_USER_DIR="$scratch/user"
export OBRENTA_RUNTIME_DIR="$scratch/run" NOTIFY_SOCKET=
obrenta="$scratch/root/usr/bin/obrenta"
"$obrenta" reg add 'HKLM\Software\Varndel Software\Obrenta\Communication' cs_port 0 >/dev/null
output=$("$obrenta" run --seconds 3 --jobs "$scratch/root/etc/obrenta/jobs" 2>&1) ||
    fail "the unpacked program: $output"
grep -q '^Obrenta started at ' <<<"$output" || fail "the example jobs did not run: $output"
pass

# dpkg -i, the service's command, dpkg -r and --purge, as on a machine of its own: in a
# private mount namespace whose root is an overlay of this one, so that nothing
# reaches the real system (root only; skipped with a note where the kernel refuses).
sandbox="$scratch/sandbox"
mkdir -p "$sandbox/upper" "$sandbox/work" "$sandbox/merged"
cp "$deb" "$scratch/obrenta.deb"
cat >"$scratch/sandboxed.sh" <<SANDBOX
set -e
mount -t overlay overlay -o lowerdir=/,upperdir=$sandbox/upper,workdir=$sandbox/work $sandbox/merged
mount -t proc proc $sandbox/merged/proc
mount --rbind /dev $sandbox/merged/dev
mount -t tmpfs tmpfs $sandbox/merged/run
echo sandbox-ready
exec chroot $sandbox/merged /bin/sh -s
SANDBOX
if [ "$(id -u)" -ne 0 ] || ! command -v unshare >/dev/null ||
    ! unshare -m --propagation private sh "$scratch/sandboxed.sh" </dev/null 2>/dev/null |
    grep -q sandbox-ready; then
    echo "dpkg -i is not tried: it needs root and a private mount namespace with an overlay"
else
    installed=$(unshare -m --propagation private sh "$scratch/sandboxed.sh" 2>&1 <<INSIDE
set -e
unset OBRENTA_MACHINE_DIR OBRENTA_USER_DIR OBRENTA_RUNTIME_DIR
# A fresh machine has no settings store; man-db need not index the pages.
rm -rf /var/lib/obrenta /var/lib/man-db/auto-update
dpkg -i $scratch/obrenta.deb >/dev/null
obrenta reg query 'HKLM\Software\Varndel Software\Obrenta\Communication'
obrenta reg add 'HKLM\Software\Varndel Software\Obrenta\Communication' cs_port 0 >/dev/null
\$(sed -n 's/^ExecStart=//p' /usr/lib/systemd/system/obrenta.service) --seconds 3 2>&1
dpkg -r obrenta >/dev/null
[ -f /etc/obrenta/jobs/User.jr ] && echo removed-keeps-jobs
dpkg --purge obrenta >/dev/null
[ ! -e /etc/obrenta ] && [ ! -e /usr/bin/obrenta ] && echo purged
INSIDE
) || fail "dpkg in the sandbox: $installed"
    for expected in "cs_port = 1229" "Obrenta started at " removed-keeps-jobs purged; do
        grep -q "$expected" <<<"$installed" || fail "dpkg in the sandbox, no '$expected': $installed"
        pass
    done
fi

echo "$checks passed, 0 failed"
