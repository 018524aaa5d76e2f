# Build helpers shared by the scripts. Source it from the checkout's top
# folder; it defines functions only.

# vestrel_configure PRESET [BUILD_DIR]: configures the preset into its build
# folder (the preset's own, or BUILD_DIR) when that folder has not been
# configured by the scripts yet, or when CMakePresets.json, a CMakeLists.txt
# or a file under cmake/ changed since it was. A changed preset or toolchain
# starts from a fresh cache, so that a value the preset no longer sets does
# not linger there. The output goes to build/logs and is shown on failure.
vestrel_configure() {
  local preset=$1 dir=${2:-build/$1}
  local stamp=$dir/.vestrel-configured
  local log=build/logs/configure-$(basename "$dir").log
  local fresh=()
  if [ -f "$dir/CMakeCache.txt" ]; then
    # A folder configured before the scripts stamped it may carry another
    # toolchain or preset: it starts afresh too.
    if [ ! -f "$stamp" ] || [ -n "$(find CMakePresets.json cmake -newer "$stamp" -print -quit)" ]; then
      fresh=(--fresh)
    elif [ -f "$dir/build.ninja" ] &&
      [ -z "$(find . -path ./build -prune -o -name CMakeLists.txt -newer "$stamp" -print -quit)" ]; then
      return 0
    fi
  fi
  mkdir -p build/logs "$dir"
  # Stamped with the time the configure began: a file changed while it runs
  # still counts as changed next time.
  touch "$stamp.new"
  if ! cmake --preset "$preset" -B "$dir" "${fresh[@]}" >"$log" 2>&1; then
    cat "$log"
    echo "configure $preset failed (build/logs/$(basename "$log"))" >&2
    rm -f "$stamp.new"
    return 1
  fi
  mv "$stamp.new" "$stamp"
}
