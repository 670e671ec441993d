// Worker threads for the per-rider stages of a tick: a fixed pool that runs
// one job over a range of indices, the calling thread taking its share, and
// returns when every index is done. Between jobs a worker spins for a short
// while (a tick's next job comes within a millisecond when the simulation
// runs flat out) and then sleeps until the next job.
#pragma once

struct Workers;

// A pool of `threads` threads in all, the caller included; null for one
// thread (jobs then run on the caller) or when no thread could be started.
Workers *workers_start(int threads);

// Stops and joins the pool's threads; null is allowed.
void workers_stop(Workers *workers);

// The threads a job runs on, the caller included (1 for null).
int workers_threads(const Workers *workers);

// Runs job(context, i) for every i in [0, count), each once, on the pool
// and the caller; returns when all are done. Which thread runs which index
// is not fixed: jobs must not depend on it.
void workers_run(Workers *workers, int count, void (*job)(void *context, int index), void *context);

// The same in two halves: `workers_post` hands the job to the pool and
// returns at once, so the caller can do other work meanwhile;
// `workers_finish` runs what the pool has not taken yet and returns when
// all is done. Without a pool, `workers_post` runs the job itself. One job
// at a time.
void workers_post(Workers *workers, int count, void (*job)(void *context, int index), void *context);
void workers_finish(Workers *workers);
