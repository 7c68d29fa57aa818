#include "sim/sim_profile.h"

#include <algorithm>

namespace sim {

std::vector<scope_graph> graphs_of(const std::vector<profiles::graphic>& graphics, std::chrono::milliseconds period)
{
    std::vector<scope_graph> out;
    for (std::size_t k = 0; k < graphics.size(); ++k) {
        scope_graph g;
        g.trigger = graphics[k].trigger.address;
        g.start = graphics[k].start;
        g.count = std::min<std::uint32_t>(graphics[k].count, 65536);
        g.period = period;
        g.amplitude = std::int16_t(10000 - 2000 * int(k % 4));
        g.phase = double(k) * 3.14159265358979323846 / 2;
        out.push_back(g);
    }
    return out;
}

std::vector<scope_graph> graphs_for(std::uint16_t id, std::chrono::milliseconds period)
{
    if (profiles::is_registered(id))
        return graphs_of(profiles::get_profile(id).graphics, period);
    if (id == 6469)
        return graphs_6469(period);
    return {};
}

} // namespace sim
