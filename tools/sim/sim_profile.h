#pragma once
// Scope graphs taken from device profiles.

#include "sim/sim_driver.h"

#include "dorvane/profile.h"

#include <chrono>
#include <cstdint>
#include <vector>

namespace sim {

// One scope graph per profile graph, in order: its trigger register, buffer
// start and sample count (capped at 65536), the given period; graph k gets
// amplitude 10000 - 2000 * (k % 4) and phase k * pi / 2.
std::vector<scope_graph> graphs_of(const std::vector<profiles::graphic>& graphics,
                                   std::chrono::milliseconds period = std::chrono::milliseconds(200));

// The graphs of the registered profile `id`; for 6469 while no such profile
// is registered, graphs_6469(period); otherwise none. Registration queued at
// library load counts only after profiles::init_profiles().
std::vector<scope_graph> graphs_for(std::uint16_t id,
                                    std::chrono::milliseconds period = std::chrono::milliseconds(200));

} // namespace sim
