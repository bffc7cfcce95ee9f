#pragma once
// Holds a global for one scope and puts the value it had back afterwards, also when an assertion
// leaves the test early, so that no test hands the next one a changed switch.

namespace kal::test {

template <class T>
class GlobalScope {
public:
    explicit GlobalScope(T& global) : global_(global), saved_(global) {}
    GlobalScope(T& global, const T& value) : GlobalScope(global) { global = value; }
    ~GlobalScope() { global_ = saved_; }
    GlobalScope(const GlobalScope&) = delete;
    GlobalScope& operator=(const GlobalScope&) = delete;

private:
    T& global_;
    T saved_;
};

} // namespace kal::test
