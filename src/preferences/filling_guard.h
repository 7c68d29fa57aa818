#pragma once
// Sets a page's `filling_` flag for a scope and gives back the value it had
// on every way out, so that a fill inside another fill leaves it set.

struct filling_guard {
    bool& flag;
    bool saved;
    explicit filling_guard(bool& f) : flag(f), saved(f) { flag = true; }
    ~filling_guard() { flag = saved; }
    filling_guard(const filling_guard&) = delete;
    filling_guard& operator=(const filling_guard&) = delete;
};
