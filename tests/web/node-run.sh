#!/usr/bin/env bash
# Runs a test built for WebAssembly under node, as ctest's emulator:
#   node-run.sh PROGRAM.js [args...]
# Qt links its programs as a module that only runs when called, so the module
# is loaded and called here, with the arguments and the caller's environment
# (Emscripten's C library otherwise sees an environment of its own). The
# program's files live in memory, as a page's do; only the test sources
# (QUELLMARK_TEST_SOURCE_DIR) are the machine's, at the same path. The
# program's exit status is the script's.
set -euo pipefail
[ $# -ge 1 ] || { echo "usage: $0 PROGRAM.js [args...]" >&2; exit 2; }
# Emscripten 3.1.6 fetches its .wasm with fetch() when node has one, which
# cannot read a file: node then has to read it the old way.
exec node --no-experimental-fetch -e '
const path = require("path");
const [program, ...args] = process.argv.slice(1);
require(path.resolve(program))({
    arguments: args,
    preRun: [(module) => {
        Object.assign(module.ENV, process.env);
        const sources = process.env.QUELLMARK_TEST_SOURCE_DIR;
        if (sources) {
            module.FS.mkdirTree(sources);
            module.FS.mount(module.FS.filesystems.NODEFS, { root: sources }, sources);
        }
    }],
}).catch((error) => {
    console.error(error);
    process.exit(1);
});
' -- "$@"
