#pragma once
// Logging core shared by the library, the program and profile plug-ins.
//
// A log site reads:
//     VLOG(cl::syslog::dbg) << "write cmd addr:" << addr << " length:" << 1;
// which asks the manager for the level first and builds nothing when it
// does not pass. The macro expects the file's own module `___syslog`.

#include "export.h"

#include <boost/date_time/posix_time/posix_time_types.hpp>
#include <boost/function.hpp>
#include <boost/lexical_cast.hpp>
#include <boost/shared_ptr.hpp>

#include <string>
#include <type_traits>

namespace cl {
namespace syslog {

enum level_t : int { hard = 0, dbg = 1, info = 2, warn = 3, err = 4, crit = 5 };

struct DORVANE_EXPORT module {
    explicit module(const char* name);
    explicit module(const std::string& name);
    std::string name;
};

struct DORVANE_EXPORT message {
    message();
    message(level_t level, const std::string& module, const std::string& text);
    message(const message&);
    message& operator=(const message&);
    ~message();

    level_t level;
    std::string module;
    std::string text;
};

struct DORVANE_EXPORT thread_info {
    thread_info();
    int number;
    boost::posix_time::ptime prev;
    boost::posix_time::ptime last;
};

// The builder of one message; the message is written when the last copy
// of the builder goes away.
class DORVANE_EXPORT autolog {
public:
    explicit autolog(const module& m);
    explicit autolog(const message& m);
    autolog(const autolog& other);
    autolog& operator=(const autolog&) = delete;
    // An output may throw; the exception passes unless another one is
    // already unwinding the stack.
    ~autolog() noexcept(false);

    void append_to_msg(const std::string& s) const;
    void insert_to_msg(const std::string& s) const;
    void set_level(level_t l) const;

private:
    boost::shared_ptr<message> msg_;
    mutable int inserts_;
    int uncaught_;
};

DORVANE_EXPORT autolog operator<<(const module& m, const level_t& l);
DORVANE_EXPORT const autolog& operator<<(const autolog& a, const level_t& l);

namespace detail {
inline std::string to_text(const std::string& s) { return s; }
inline std::string to_text(const char* s) { return s ? std::string(s) : std::string(); }
template <typename T>
std::string to_text(const T& v)
{
    if constexpr (std::is_enum_v<T>)
        return boost::lexical_cast<std::string>(static_cast<long long>(v));
    else
        return boost::lexical_cast<std::string>(v);
}
} // namespace detail

template <typename T>
const autolog& operator<<(const autolog& a, const T& v)
{
    a.append_to_msg(detail::to_text(v));
    return a;
}

// The library keeps the instance for unsigned short.
extern template DORVANE_EXPORT const autolog& operator<<(const autolog&, const unsigned short&);

// Holds at most one builder; its line is written when the holder goes
// out of scope, also when an exception leaves the scope.
class DORVANE_EXPORT autolog_ptr {
public:
    autolog_ptr();
    autolog_ptr(const autolog_ptr&) = delete;
    autolog_ptr& operator=(const autolog_ptr&) = delete;
    ~autolog_ptr() noexcept(false);
    autolog* change(autolog* a);

private:
    autolog* ptr_;
};

class DORVANE_EXPORT output {
public:
    typedef boost::function<bool(const message&)> filter_t;

    output();
    output(const output&) = delete;
    output& operator=(const output&) = delete;
    virtual ~output();

    void write(const message& m, const thread_info& ti);
    bool check(const message& m);
    void filter_add(filter_t f);

protected:
    virtual void do_write(const message& m, const thread_info& ti) = 0;

private:
    std::vector<filter_t> filters_;
};

class DORVANE_EXPORT manager {
public:
    manager();
    manager(const manager&) = delete;
    manager& operator=(const manager&) = delete;
    ~manager();

    bool level_check(level_t l) const;
    void level_set(level_t l);
    void output_add(boost::shared_ptr<output> o);
    void write(const message& m);

    struct impl;

private:
    impl* impl_;
};

DORVANE_EXPORT manager& logman();

} // namespace syslog
} // namespace cl

// One log statement; nothing is evaluated when the level does not pass.
#define VLOG(level)                                                  \
    if (!::cl::syslog::logman().level_check(level)) {                \
    } else                                                           \
        ___syslog << (level)
