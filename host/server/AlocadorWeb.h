#pragma once
// How `ctb serve` asks the allocator to hold less memory. Only where the
// program allocates through jemalloc; elsewhere (the sanitizer builds, the
// tests) these do nothing.

namespace AlocadorWeb {

// Pages the requests freed return to the system a second after (ten by
// default), from the allocator's own background thread: a server's fifty
// sessions and its attackers' bodies come and go, and pages kept for the
// next burst add up to the peak.
void DevolverMemoriaLogo();

// The calling thread (a connection's worker) allocates without a cache of
// its own: each of the server's 256 workers would otherwise keep freed
// blocks for itself, out of every other thread's reach.
void SemCacheNaThread();

}  // namespace AlocadorWeb
