#include "syslog.h"

#include <boost/date_time/posix_time/posix_time.hpp>
#include <boost/format.hpp>
#include <boost/thread/recursive_mutex.hpp>
#include <boost/thread/thread.hpp>

#include <atomic>
#include <locale>
#include <map>
#include <sstream>
#include <vector>

namespace cl {
namespace syslog {

struct manager::impl {
    std::vector<boost::shared_ptr<output>> outputs_;
    std::atomic<int> level_{dbg};
    std::map<boost::thread::id, thread_info> threads_;
    int next_number_ = 0;
    boost::recursive_mutex mutex_;
};

manager::manager() : impl_(new impl) {}

manager::~manager()
{
    delete impl_;
}

bool manager::level_check(level_t l) const
{
    return static_cast<int>(l) >= impl_->level_.load(std::memory_order_relaxed);
}

void manager::level_set(level_t l)
{
    impl_->level_.store(static_cast<int>(l), std::memory_order_relaxed);
}

void manager::output_add(boost::shared_ptr<output> o)
{
    impl_->outputs_.push_back(o);
}

namespace {

std::string announcement(int number, boost::thread::id id)
{
    std::ostringstream id_text;
    id_text.imbue(std::locale::classic());
    id_text << id;
    boost::format f("Thread #%1% with id=%2%", std::locale::classic());
    f % number % id_text.str();
    return f.str();
}

} // namespace

void manager::write(const message& m)
{
    const boost::thread::id id = boost::this_thread::get_id();
    boost::recursive_mutex::scoped_lock lock(impl_->mutex_);

    const auto now = boost::posix_time::microsec_clock::local_time();
    auto found = impl_->threads_.find(id);
    bool is_new = false;
    if (found == impl_->threads_.end()) {
        thread_info ti;
        ti.number = impl_->next_number_++;
        ti.last = now;
        found = impl_->threads_.emplace(id, ti).first;
        is_new = true;
    }
    found->second.prev = found->second.last;
    found->second.last = now;

    if (is_new)
        write(message(dbg, "syslog", announcement(found->second.number, id)));

    // The map never erases, so the entry stays valid across the recursion.
    const thread_info ti = found->second;
    for (const auto& o : impl_->outputs_)
        o->write(m, ti);
}

manager& logman()
{
    static manager instance;
    return instance;
}

} // namespace syslog
} // namespace cl
