// What a long count may use: the memory left to the process, the cores it
// may run on, and the passes of a count run side by side on those cores.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>

/// Bytes the search may still take: the least of what the process's limits
/// (address space, data) leave and of the memory the machine has available,
/// less a margin.
std::size_t memoire_disponible();

/// Threads a count may use: the cores this process may run on, at most
/// fils_max when it is set.
unsigned fils_disponibles();

/// 0: every core; otherwise the most threads a count may use (tests set it).
extern unsigned fils_max;

/// Runs passe(k, tampon) for k = 0 .. nombre - 1, each pass on one of up to
/// `fils` threads with a zeroed buffer of `octets` bytes of its own (a
/// thread's buffer is zeroed again before its next pass). The calling
/// thread meanwhile calls attente() every tenth of a second; with no
/// attente, the passes run on the calling thread itself. Fewer threads
/// run when memory or threads cannot all be had, and a pass that runs out of
/// memory (std::bad_alloc) beside the others is run again alone afterwards.
/// Returns false when not even one buffer can be had, or a pass fails alone.
/// Each pass writes its results where k says: the results never depend on
/// the number of threads.
bool executer_passes(std::size_t nombre, unsigned fils, std::size_t octets,
                     const std::function<void(std::size_t k, void* tampon)>& passe,
                     const std::function<void()>& attente);
