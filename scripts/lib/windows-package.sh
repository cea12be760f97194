# The Windows installer (scripts/package): the win64 build's programs, the DLLs they import
# (read from their import tables) and the simulated device as an optional component, made into
# vexor-manager-<version>-setup.exe with NSIS; and its check under Wine.
# Needs cmake/wine-run and a win64 build made against the prefix.

# The Qt plugins the manager loads at run time, which no import table names.
WINDOWS_QT_PLUGINS=(platforms/qwindows.dll styles/qwindowsvistastyle.dll)

# windows_imports <file>: the DLL names in the file's import table, lower case.
windows_imports() {
    x86_64-w64-mingw32-objdump -p "$1" | sed -n 's/^\s*DLL Name: *//p' | tr '[:upper:]' '[:lower:]'
}

# windows_find_dll <name> <folder>...: the first file of that name (in any case) in the folders.
windows_find_dll() {
    local name=$1 folder
    shift
    for folder in "$@"; do
        find "$folder" -maxdepth 1 -iname "$name" -print -quit 2>/dev/null | grep . && return 0
    done
    return 1
}

# windows_add_imports <folder> <search folder>...: copies into <folder> every DLL that a program
# or DLL under <folder> imports and that one of the search folders holds, until none is missing.
windows_add_imports() {
    local folder=$1 file name found added=1
    shift
    while [ $added -eq 1 ]; do
        added=0
        while IFS= read -r file; do
            for name in $(windows_imports "$file"); do
                windows_find_dll "$name" "$folder" >/dev/null && continue
                if found=$(windows_find_dll "$name" "$@"); then
                    cp "$found" "$folder/"
                    added=1
                fi
            done
        done < <(find "$folder" -iname '*.exe' -o -iname '*.dll')
    done
}

# windows_mingw_runtime: the folders of the posix mingw-w64 runtime DLLs.
windows_mingw_runtime() {
    dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libstdc++-6.dll)"
    echo /usr/x86_64-w64-mingw32/lib
}

# windows_stage <build> <prefix> <stage>: the installed tree, the manager in <stage>/manager
# and the simulated device in <stage>/simulator (installed as the subfolder "simulador").
windows_stage() {
    local build=$1 prefix=$2 stage=$3 plugin
    rm -rf "$stage"
    mkdir -p "$stage/manager" "$stage/simulator"
    cp "$build/bin/vexor-manager.exe" "$build/bin/vexor.exe" "$stage/manager/"
    for plugin in "${WINDOWS_QT_PLUGINS[@]}"; do
        mkdir -p "$stage/manager/$(dirname "$plugin")"
        cp "$prefix/plugins/$plugin" "$stage/manager/$plugin"
    done
    # Loaded by name, not imported.
    cp "$prefix/bin/libxml2.dll" "$stage/manager/"
    cp "$build/bin/simulator/dllsat.dll" "$build/bin/simulator/vexor-manager-simulator.exe" \
       "$build/bin/satsim.exe" "$stage/simulator/"
    local search
    search=("$prefix/bin" $(windows_mingw_runtime))
    windows_add_imports "$stage/manager" "${search[@]}"
    windows_add_imports "$stage/simulator" "${search[@]}"
    x86_64-w64-mingw32-strip --strip-unneeded $(find "$stage" -iname '*.exe' -o -iname '*.dll')
}

# windows_nsis_lists <stage>: the installer's and uninstaller's file lists, one pair per
# component, so that the uninstaller removes what was installed and nothing else.
windows_nsis_lists() {
    local stage=$1 part file dir
    for part in manager simulator; do
        local install="$stage/$part.install.nsh" remove="$stage/$part.remove.nsh"
        : >"$install"
        : >"$remove"
        local target='$INSTDIR'
        [ $part = simulator ] && target='$INSTDIR\simulador'
        while IFS= read -r dir; do
            local win=${dir//\//\\}
            echo "SetOutPath \"$target${win:+\\$win}\"" >>"$install"
            for file in "$stage/$part/$dir"/*; do
                [ -f "$file" ] || continue
                local name
                name=$(basename "$file")
                echo "File \"$(readlink -f "$file")\"" >>"$install"
                echo "Delete \"$target${win:+\\$win}\\$name\"" >>"$remove"
            done
        done < <(cd "$stage/$part" && find . -type d | sed 's|^\./\?||' | sort)
        # Folders last, deepest first; RMDir leaves a folder that still holds a user's file.
        (cd "$stage/$part" && find . -mindepth 1 -type d | sed 's|^\./||' | sort -r) |
            while IFS= read -r dir; do echo "RMDir \"$target\\${dir//\//\\}\"" >>"$remove"; done
        echo "RMDir \"$target\"" >>"$remove"
    done
}

# windows_installer <prefix> <build> <output folder>: builds the setup program, prints its path.
windows_installer() {
    local prefix=$1 build=$2 out=$3 version
    version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
    local stage="$build/windows-stage"
    windows_stage "$build" "$prefix" "$stage" >&2
    windows_nsis_lists "$stage"
    mkdir -p "$out"
    local setup
    setup="$(readlink -f "$out")/vexor-manager-$version-setup.exe"
    makensis -V2 -DVERSION="$version" -DSTAGE="$(readlink -f "$stage")" -DOUTFILE="$setup" \
        packaging/windows/vexor-manager.nsi >&2
    echo "$setup"
}

# windows_system_dlls <wine prefix>: the DLLs that a Windows system holds, as a fresh Wine
# prefix has them, lower case.
windows_system_dlls() {
    find "$1/drive_c/windows/system32" -maxdepth 1 -iname '*.dll' -printf '%f\n' |
        tr '[:upper:]' '[:lower:]'
}

# windows_imports_outside <folder> <system list>: prints "file: dll" for each import of a
# program or DLL under the folder that neither the folder nor Windows holds. The API sets
# (api-ms-win-*, ext-ms-*) are Windows's own, resolved by its loader, not files.
windows_imports_outside() {
    local folder=$1 system=$2 file name
    while IFS= read -r file; do
        for name in $(windows_imports "$file"); do
            case "$name" in api-ms-win-*|ext-ms-*) continue ;; esac
            grep -qxF "$name" "$system" && continue
            windows_find_dll "$name" "$folder" >/dev/null && continue
            echo "${file#"$folder"/}: $name"
        done
    done < <(find "$folder" -maxdepth 1 \( -iname '*.exe' -o -iname '*.dll' \)
             find "$folder"/platforms "$folder"/styles -iname '*.dll' 2>/dev/null)
}

# windows_installer_check <setup>: installs it silently into a fresh Wine prefix with the
# simulated device, tries the installed files alone, uninstalls it and checks nothing is left.
windows_installer_check() {
    local setup=$1 wine work
    wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
    work=$(mktemp -d)
    local wineprefix="$work/wine" server
    server="$(dirname "$wine")/wineserver"
    [ -x "$server" ] || server=wineserver
    # Nothing of the build is on the path: the installed files alone.
    local run=(env -u WINEPATH -u VEXOR_WINE_DLLS SATSIM_STATE='C:\satsim-state.txt'
               cmake/wine-run "$wineprefix" "$wine")
    fail() {
        echo "FAILED: $*" >&2
        WINEPREFIX="$wineprefix" "$server" -k >/dev/null 2>&1 || true
        rm -rf "$work"
        return 1
    }
    "${run[@]}" cmd /c exit </dev/null >/dev/null 2>&1 || true
    WINEPREFIX="$wineprefix" "$server" -w
    windows_system_dlls "$wineprefix" >"$work/system.txt"

    "${run[@]}" "$setup" /S /SIMULATOR </dev/null >/dev/null 2>&1 || { fail "the setup exited $?"; return 1; }
    WINEPREFIX="$wineprefix" "$server" -w
    local dir="$wineprefix/drive_c/Program Files/VEXOR Manager"
    local menu="$wineprefix/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/VEXOR Manager"
    local file
    for file in vexor-manager.exe vexor.exe libxml2.dll Qt6Core.dll Qt6Widgets.dll \
                platforms/qwindows.dll uninstall.exe simulador/dllsat.dll simulador/satsim.exe \
                simulador/vexor-manager-simulator.exe; do
        [ -f "$dir/$file" ] || { fail "the setup did not install $file"; return 1; }
    done
    [ ! -f "$dir/dllsat.dll" ] || { fail "the simulated dllsat.dll is beside the manager"; return 1; }
    for file in "VEXOR Manager.lnk" "VEXOR Manager (simulador).lnk"; do
        [ -f "$menu/$file" ] || { fail "the start menu has no $file"; return 1; }
    done
    local missing
    missing=$(windows_imports_outside "$dir" "$work/system.txt"
              windows_imports_outside "$dir/simulador" "$work/system.txt")
    [ -z "$missing" ] || { fail "imports that nothing installed holds: $missing"; return 1; }

    # vexor status from the installed files alone, on the installed simulated device.
    local status=0
    "${run[@]:0:5}" WINEPATH='C:\Program Files\VEXOR Manager\simulador' "${run[@]:5}" \
        'C:\Program Files\VEXOR Manager\vexor.exe' status --kind not-activated \
        </dev/null >"$work/status.txt" 2>&1 || status=$?
    [ $status -eq 0 ] || { fail "the installed vexor status exited $status: $(cat "$work/status.txt")"; return 1; }
    grep -q '900004019' "$work/status.txt" ||
        { fail "the installed vexor status: $(cat "$work/status.txt")"; return 1; }

    # The installed manager, started as its start-menu entry does, shows its access dialog.
    # Wine's desktop started for a program without a display would keep the next one from
    # showing a window: the server of the runs so far has to be gone first.
    WINEPREFIX="$wineprefix" "$server" -w
    local display_log="$work/manager.txt"
    xvfb-run -a -s "-screen 0 1280x800x24" sh -c '
        "$@" </dev/null >/dev/null 2>&1 &
        for i in $(seq 1 60); do
            xdotool search --name "^TORVAL VEXOR Manager$" >/dev/null 2>&1 && { echo shown; break; }
            sleep 1
        done' sh "${run[@]}" 'C:\Program Files\VEXOR Manager\simulador\vexor-manager-simulator.exe' \
        >"$display_log" 2>&1 || true
    WINEPREFIX="$wineprefix" "$server" -k >/dev/null 2>&1 || true
    grep -qx shown "$display_log" ||
        { fail "the installed manager showed no access dialog: $(cat "$display_log")"; return 1; }

    "${run[@]}" 'C:\Program Files\VEXOR Manager\uninstall.exe' /S </dev/null >/dev/null 2>&1 ||
        { fail "the uninstaller exited $?"; return 1; }
    WINEPREFIX="$wineprefix" "$server" -w
    # The uninstaller runs from a copy of itself, which may still be ending.
    sleep 2
    WINEPREFIX="$wineprefix" "$server" -w
    [ ! -e "$dir" ] || { fail "the uninstaller left: $(cd "$dir" && find . | head)"; return 1; }
    [ ! -e "$menu" ] || { fail "the uninstaller left the start-menu folder"; return 1; }
    ! grep -q 'Uninstall\\\\VEXOR Manager' "$wineprefix/system.reg" ||
        { fail "the uninstaller left its registry key"; return 1; }
    rm -rf "$work"
    echo "The Windows installer works: installed silently, vexor status and the manager's access dialog from the installed files, uninstalled without a trace."
}
