#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Reads doc/openbench.json and builds and benches the engine the way an OpenBench worker does,
# with OpenBench's own code given by path (it is not part of this repository):
#   OPENBENCH=/path/to/OpenBench scripts/openbench-check.sh [REVISION] [COMPILER]
# The revision (HEAD by default) is exported with "git archive", as the worker unpacks a
# source zip; the compiler is the first of the configuration's that is installed, or the one
# named. Checks: the configuration passes the server's own validation, the worker's make
# command builds the binary where the worker looks for it, and the worker's bench parser reads
# the same node count as the binary's last line, the same on every run.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
[ -n "${OPENBENCH:-}" ] && [ -f "$OPENBENCH/Client/bench.py" ] ||
    { echo "set OPENBENCH to an OpenBench source tree (with Client/bench.py)" >&2; exit 2; }
rev=${1:-HEAD}
scratch=$(mktemp -d "${TMPDIR:-/tmp}/quillmaren-openbench.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
mkdir "$scratch/src"
git -C "$here" archive --format=tar "$rev" | tar -x -C "$scratch/src"
OB="$OPENBENCH" SRC="$scratch/src" CONF="$here/doc/openbench.json" COMPILER="${2:-}" \
python3 - <<'EOF'
import json, os, shutil, subprocess, sys, types

ob, src, conf_path = os.environ['OB'], os.environ['SRC'], os.environ['CONF']

# The server's validation of an engine file, with its settings module stood in for.
sys.modules['OpenSite'] = types.ModuleType('OpenSite')
settings = types.ModuleType('OpenSite.settings')
settings.PROJECT_PATH = os.path.dirname(os.path.dirname(conf_path))
sys.modules['OpenSite.settings'] = settings
sys.path.insert(0, ob)
import OpenBench.config as obconfig
conf = json.load(open(conf_path))
obconfig.verify_engine_basics(conf)
obconfig.verify_engine_build('Quillmaren', conf)
for kind, check in [('test_presets', obconfig.verify_engine_test_preset),
                    ('tune_presets', obconfig.verify_engine_tune_preset),
                    ('datagen_presets', obconfig.verify_engine_datagen_preset)]:
    for preset in conf.get(kind, {}).values():
        check(preset)
print('configuration: accepted by the server\'s checks')

# The worker's build: make in the configured path with the command it composes.
sys.path.insert(0, os.path.join(ob, 'Client'))
import utils, bench
compiler = os.environ['COMPILER'] or next(
    (c for c in conf['build']['compilers'] if shutil.which(c.split('>=')[0])), None)
if compiler is None:
    sys.exit('none of the compilers %s is installed' % conf['build']['compilers'])
make_path = os.path.join(src, conf['build']['path'])
name = 'Quillmaren-check'
cmd = utils.makefile_command(None, make_path, name, compiler.split('>=')[0])
print('build: %s (in %s)' % (' '.join(cmd), conf['build']['path'] or 'the source root'))
build = subprocess.run(cmd, cwd=make_path, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
if build.returncode:
    sys.exit(build.stdout.decode(errors='replace')[-3000:] + '\nthe build failed')
binary = utils.check_for_engine_binary(os.path.join(make_path, name))
if not binary:
    sys.exit('no binary where the worker looks for it: %s' % os.path.join(make_path, name))

# The worker's bench, twice (a worker runs one per core at once, each within 60 s), read by
# its own parser.
os.chdir(make_path)
last = subprocess.run(['./' + name, 'bench'], stdout=subprocess.PIPE).stdout.decode().strip().split('\n')[-1]
nps, nodes = bench.run_benchmark(name, 1, 2)
print('bench: the binary ends with "%s"; the worker reads %d nodes at %d nps' % (last, nodes, nps))
if int(last.split()[0]) != nodes:
    sys.exit('the worker reads another node count than the binary prints')
EOF
