// What a long count may use: the memory left to the process, the cores it
// may run on, and the passes of a count run side by side on those cores.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>

#include "taverlune/engine.h"  // memoire_disponible, coeurs_disponibles

namespace taverlune {

/// The cores a count running `fils` threads would have now, beside the
/// threads of other processes that want a core (the mean of `regards`
/// looks, a fiftieth of a second apart): the scheduler shares the cores
/// fairly between its groups of processes (sessions, where the kernel
/// groups them so). At most min(fils, cores).
double coeurs_pour(unsigned fils, int regards);

/// Thrown by a pass that stops in its middle because the caller asked the
/// search to stop: executer_passes drops that pass.
struct PasseArretee {};

/// Runs passe(k, tampon) for k = 0 .. nombre - 1, each pass on one of up to
/// `fils` threads with a zeroed buffer of `octets` bytes of its own (a
/// thread's buffer is zeroed again before its next pass). The calling
/// thread meanwhile calls attente() every tenth of a second, and once it
/// returns false no pass starts any more; with no attente, the passes run on
/// the calling thread itself. Fewer threads
/// run when memory or threads cannot all be had, and a pass that runs out of
/// memory (std::bad_alloc) beside the others is run again alone afterwards.
/// Returns false when not even one buffer can be had, a pass fails alone,
/// or attente stopped the passes. Any other exception, from a pass or from
/// attente, stops the passes and leaves here, in the calling thread, once
/// every thread started is joined.
/// Each pass writes its results where k says: the results never depend on
/// the number of threads.
bool executer_passes(std::size_t nombre, unsigned fils, std::size_t octets,
                     const std::function<void(std::size_t k, void* tampon)>& passe,
                     const std::function<bool()>& attente);

}  // namespace taverlune
