# Sourced by scripts/windows-gui: builds Qt's base for 64-bit Windows once, into a cache folder
# outside the checkout that later runs reuse.  Sets QT_WIN to the installed Qt.
QT_VERSION_HOST=$(dpkg-query -W -f='${Version}' qt6-base-dev-tools)   # e.g. 6.4.2+dfsg-10
QT_UPSTREAM=${QT_VERSION_HOST%%+*}
QT_WIN=${ORB_QT_CACHE:-$HOME/.cache/orbtool/qt-$QT_UPSTREAM-mingw64}

# apt-get source needs a deb-src line: add one for the archive this machine already uses.
ensure_source_entry() {
    if grep -rqsE '^(deb-src|Types:.*deb-src)' /etc/apt/sources.list /etc/apt/sources.list.d/; then
        return 0
    fi
    local uri suite
    uri=$(grep -rhsE '^URIs:' /etc/apt/sources.list.d/debian.sources | head -1 | awk '{print $2}')
    suite=$(. /etc/os-release && echo "$VERSION_CODENAME")
    if [ -z "$uri" ]; then
        uri=$(grep -hsE '^deb ' /etc/apt/sources.list | head -1 | awk '{print $2}')
    fi
    [ -n "$uri" ] || { echo "windows-gui: no Debian archive found in the apt sources" >&2; return 1; }
    echo "Adding a source entry for $uri $suite"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo=sudo
    printf 'Types: deb-src\nURIs: %s\nSuites: %s %s-updates\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
        "$uri" "$suite" "$suite" | $sudo tee /etc/apt/sources.list.d/orbtool-source.sources >/dev/null
    $sudo apt-get update -qq
}

build_windows_qt() {
    if [ -f "$QT_WIN/bin/qt-cmake" ] && [ -f "$QT_WIN/plugins/platforms/qwindows.dll" ]; then
        echo "Qt $QT_UPSTREAM for Windows: cached in $QT_WIN"
        return 0
    fi
    local work="${ORB_QT_WORK:-$HOME/.cache/orbtool/qt-build}"
    mkdir -p "$work"
    step_start "fetch Qt's base source ($QT_VERSION_HOST)"
    ensure_source_entry
    if [ ! -d "$work/src" ]; then
        # The version must equal the host tools' own: they generate code the library compiles.
        (cd "$work" && apt-get source -qq --download-only "qt6-base=$QT_VERSION_HOST" >/dev/null)
        rm -rf "$work/src.tmp" && mkdir -p "$work/src.tmp"
        (cd "$work" && dpkg-source -x ./qt6-base_*.dsc src.tmp/tree >/dev/null)
        mv "$work/src.tmp/tree" "$work/src" && rm -rf "$work/src.tmp"
    fi
    step_end
    step_start "configure Qt for Windows"
    # Only what the editor and its tests use; the host's moc, rcc and uic do the code generation.
    cmake -G Ninja -S "$work/src" -B "$work/build" \
        -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64.cmake" -DORB_TOOLCHAIN_SHARED=ON \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$QT_WIN" \
        -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
        -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
        -DFEATURE_opengl=OFF -DINPUT_opengl=no -DFEATURE_network=OFF -DFEATURE_sql=OFF \
        -DFEATURE_dbus=OFF -DFEATURE_xml=OFF -DFEATURE_printsupport=OFF -DFEATURE_concurrent=OFF \
        -DFEATURE_tabletevent=OFF -DFEATURE_sql_sqlite=OFF -DFEATURE_vulkan=OFF >"$work/configure.log" 2>&1 \
        || { tail -n 40 "$work/configure.log"; return 1; }
    step_end
    step_start "build Qt for Windows"
    cmake --build "$work/build" -j "$(nproc)" >"$work/build.log" 2>&1 || { tail -n 40 "$work/build.log"; return 1; }
    step_end
    step_start "install Qt for Windows"
    cmake --install "$work/build" >"$work/install.log" 2>&1 || { tail -n 20 "$work/install.log"; return 1; }
    # Debugging symbols are most of each DLL's size; a user's bundle needs none of them.
    find "$QT_WIN" -name '*.dll' -exec x86_64-w64-mingw32-strip --strip-unneeded {} +
    step_end
}
