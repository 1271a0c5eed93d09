#!/usr/bin/env bash
# Makes what scripts/wine32-run needs to run the shipped 32-bit exe on a
# machine whose kernel executes no 32-bit code: Debian's own 32-bit Wine,
# the same version as the installed wine64, unpacked into build/wine32/root
# (never installed: with wine32 installed, /usr/bin/wine would pick the
# 32-bit loader for every exe and fail), run under qemu-i386 user-mode
# emulation, and a 32-bit prefix in build/wine32/prefix.
#
# Only qemu-user is installed on the system (by the Makefile). The i386
# architecture is added to dpkg just long enough to download the packages,
# then removed again. About a minute and 140 MB of packages the first time;
# nothing when build/wine32 is complete.
set -euo pipefail
cd "$(dirname "$0")/.."
export TARNWICK_WINE=32
unset WINEPREFIX  # always the 32-bit Wine's own prefix, never a caller's
source scripts/wine-env.sh
[ -f "$WINE32_HOME/.ready" ] && exit 0
SUDO=$([ "$(id -u)" = 0 ] || echo sudo)
mkdir -p "$WINE32_HOME/debs"
echo "wine32-setup: 32-bit Wine under qemu in $WINE32_HOME"

# 1. The packages: wine32 and libwine of the installed wine64's version, what
#    they depend on, and the X11 extension libraries winex11 opens at run time.
version=$(dpkg-query -W -f='${Version}' wine64)
if ! ls "$WINE32_HOME"/debs/wine32_*.deb >/dev/null 2>&1; then
    added=no
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        $SUDO dpkg --add-architecture i386
        added=yes
    fi
    restore_architectures() {
        if [ "$added" = yes ] && ! dpkg -l | awk '$1 == "ii" && $4 == "i386"' | grep -q .; then
            $SUDO dpkg --remove-architecture i386
            $SUDO apt-get update -qq -o Acquire::Languages=none || true
        fi
    }
    trap restore_architectures EXIT
    $SUDO apt-get update -qq -o Acquire::Languages=none
    # The closure of Depends, less the packages that only matter to an
    # installed system (their maintainer scripts never run here).
    closure=$(apt-cache depends --recurse --no-recommends --no-suggests --no-conflicts \
                --no-breaks --no-replaces --no-enhances \
                wine32:i386 libwine:i386 libxcursor1:i386 libxi6:i386 libxrandr2:i386 \
                libxrender1:i386 libxinerama1:i386 libxcomposite1:i386 libxfixes3:i386 \
                libxxf86vm1:i386 2>/dev/null |
              grep -v '^ ' | grep ':i386$' | sort -u |
              grep -v -E '^(cdebconf|dpkg|install-info|sysvinit-utils|tar|xfonts-utils|libnewt0.52|libslang2|libtextwrap1|libdebian-installer4|wine32|libwine):')
    (cd "$WINE32_HOME/debs" &&
        apt-get download -q "wine32:i386=$version" "libwine:i386=$version" $closure >/dev/null)
    restore_architectures
    trap - EXIT
fi

# 2. Unpacked as files only: no maintainer script runs.
root=$WINE32_ROOT
rm -rf "$root"
mkdir -p "$root"
for deb in "$WINE32_HOME"/debs/*.deb; do dpkg -x "$deb" "$root"; done

# 3. libwine's install script marks the mingw zlib1.dll as a Wine builtin;
#    without that file user32 does not load.
zlib=/usr/i686-w64-mingw32/lib/zlib1.dll
{ head -c 64 "$zlib"; printf 'Wine builtin DLL'; head -c 16 /dev/zero; tail -c +97 "$zlib"; } \
    > "$root/usr/lib/i386-linux-gnu/wine/i386-windows/zlib1.dll"

# 4. The emulated processes take their libraries from the unpacked tree only.
echo 'include /etc/ld.so.conf.d/*.conf' > "$root/etc/ld.so.conf"
ldconfig -r "$root"

# 5. Wine starts every new process by exec'ing its loader "wine"; the kernel
#    cannot exec an i386 program, so "wine" becomes a script that goes back
#    into qemu, and the real loader is "wine.elf".
mv "$root/usr/lib/wine/wine" "$root/usr/lib/wine/wine.elf"
cat > "$root/usr/lib/wine/wine" <<SCRIPT
#!/bin/sh
exec /usr/bin/qemu-i386 $WINE32_QEMU_OPTIONS -L $root -0 "\$0" $root/usr/lib/wine/wine.elf "\$@"
SCRIPT
chmod +x "$root/usr/lib/wine/wine"

# 6. Per-thread segment bases under qemu (see wine32-tls.c), loaded into
#    every emulated process through the tree's own ld.so.preload.
gcc -m32 -O2 -fPIC -shared -nostdlib -fno-stack-protector \
    -o "$root/usr/lib/i386-linux-gnu/wine32-tls.so" scripts/wine32-tls.c \
    "$root/lib/i386-linux-gnu/libc.so.6"
echo /usr/lib/i386-linux-gnu/wine32-tls.so > "$root/etc/ld.so.preload"

# 7. The prefix, made by the 32-bit Wine itself and set up as the 64-bit one.
rm -rf "$WINEPREFIX"
DISPLAY= scripts/make-prefix.sh
touch "$WINE32_HOME/.ready"
echo "wine32-setup: ready"
