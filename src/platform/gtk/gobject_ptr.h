#pragma once

#include <glib-object.h>

#include <utility>

namespace vorl {

// Holds one reference to a GObject and drops it when it goes.
template <class T> class GObjectPtr {
public:
    GObjectPtr() = default;
    // Takes over a reference the caller already holds (a "transfer full" result).
    static GObjectPtr adopt(T* object) { return GObjectPtr(object); }
    // Takes a reference of its own; floating references are sunk.
    static GObjectPtr retain(T* object) {
        return GObjectPtr(object ? static_cast<T*>(g_object_ref_sink(object)) : nullptr);
    }

    GObjectPtr(GObjectPtr&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
    GObjectPtr& operator=(GObjectPtr&& other) noexcept {
        std::swap(object_, other.object_);
        return *this;
    }
    GObjectPtr(const GObjectPtr&) = delete;
    GObjectPtr& operator=(const GObjectPtr&) = delete;
    ~GObjectPtr() {
        if (object_)
            g_object_unref(object_);
    }

    T* get() const { return object_; }
    explicit operator bool() const { return object_ != nullptr; }

private:
    explicit GObjectPtr(T* object) : object_(object) {}
    T* object_ = nullptr;
};

} // namespace vorl
