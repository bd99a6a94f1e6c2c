#!/usr/bin/env bash
# A private single-node Slurm cluster for the farm tests, run as root:
#   slurm_cluster.sh start DIR   writes DIR/slurm.conf, starts munged (unless one runs),
#                                slurmctld and slurmd, and waits until the node is idle
#   slurm_cluster.sh stop DIR    stops what start started
# Point SLURM_CONF at DIR/slurm.conf to use it.
set -eu
action=${1:?usage: slurm_cluster.sh start|stop DIR}
dir=$(mkdir -p "${2:?usage: slurm_cluster.sh start|stop DIR}" && cd "$2" && pwd)
conf=$dir/slurm.conf
export SLURM_CONF=$conf

stop() {
    for daemon in slurmd slurmctld munged; do
        [ -f "$dir/$daemon.pid" ] || continue
        pid=$(cat "$dir/$daemon.pid")
        kill "$pid" 2>/dev/null || true
        for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
        kill -9 "$pid" 2>/dev/null || true
        rm -f "$dir/$daemon.pid"
    done
}

if [ "$action" = stop ]; then
    stop
    exit 0
fi
[ "$action" = start ] || { echo "slurm_cluster.sh: unknown action $action" >&2; exit 2; }
for tool in munged slurmctld slurmd sbatch; do
    command -v "$tool" > /dev/null || { echo "slurm_cluster.sh: $tool is not installed" >&2; exit 2; }
done

node=$(hostname -s)
mkdir -p "$dir/state" "$dir/spool" "$dir/log"
cat > "$conf" <<CONF
ClusterName=tessorytest
SlurmctldHost=$node
SlurmUser=root
SlurmdUser=root
SlurmctldPort=16817
SlurmdPort=16818
AuthType=auth/munge
StateSaveLocation=$dir/state
SlurmdSpoolDir=$dir/spool
SlurmctldPidFile=$dir/slurmctld.pid
SlurmdPidFile=$dir/slurmd.pid
SlurmctldLogFile=$dir/log/slurmctld.log
SlurmdLogFile=$dir/log/slurmd.log
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
SelectType=select/cons_tres
SelectTypeParameters=CR_Core
ReturnToService=2
MpiDefault=none
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
SchedulerParameters=sched_interval=2
NodeName=$node CPUs=$(nproc) State=UNKNOWN
PartitionName=tessory Nodes=ALL Default=YES MaxTime=INFINITE State=UP
CONF

trap 'stop' ERR
# munged serves every Slurm on the machine; one already running is used as it is.
if ! munge -n > /dev/null 2>&1; then
    install -d -o munge -g munge -m 0755 /run/munge
    install -d -o munge -g munge -m 0700 /var/lib/munge /var/log/munge
    # munged writes its pid file as the munge user, who may not reach DIR.
    pidfile=/run/munge/tessory-test.$$.pid
    runuser -u munge -- munged --pid-file="$pidfile" --force
    for _ in $(seq 50); do [ -s "$pidfile" ] && break; sleep 0.1; done
    mv "$pidfile" "$dir/munged.pid"
fi
slurmctld -f "$conf"
slurmd -f "$conf"
for _ in $(seq 100); do
    state=$(sinfo -h -o %t 2>/dev/null || true)
    [ "$state" = idle ] && exit 0
    sleep 0.2
done
echo "slurm_cluster.sh: the node did not come up (state '${state:-none}'; logs in $dir/log)" >&2
stop
exit 1
