#pragma once
// References to tools that outlive the tools they name.
namespace kal {

class Tool;

// A pointer to a tool kept past the frame or the edit that found it (picks, selections, pending
// tools, dialog targets): it turns null when the tool is deleted, so it never names freed memory.
// Main thread only, like the tree itself.
class ToolRef {
public:
    ToolRef() = default;
    ToolRef(Tool* t) { attach(t); }
    ToolRef(const ToolRef& other) { attach(other.tool_); }
    ToolRef& operator=(const ToolRef& other) { return *this = other.tool_; }
    ToolRef& operator=(Tool* t) {
        if (t != tool_) {
            detach();
            attach(t);
        }
        return *this;
    }
    ~ToolRef() { detach(); }

    Tool* get() const { return tool_; }
    operator Tool*() const { return tool_; }
    Tool* operator->() const { return tool_; }

private:
    friend class Tool;
    void attach(Tool* t);
    void detach();

    Tool* tool_ = nullptr;
    ToolRef* prev_ = nullptr; // the other references to the same tool
    ToolRef* next_ = nullptr;
};

} // namespace kal
