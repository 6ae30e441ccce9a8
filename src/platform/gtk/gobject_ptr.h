#pragma once

#include <glib-object.h>

#include <utility>

namespace vorl {

// Holds one reference to a GObject and drops it when it goes.
template <class T> class GObjectPtr {
public:
    GObjectPtr() = default;
    // Takes over a reference the caller already holds (a "transfer full" result).
    static GObjectPtr adopt(T* owned) { return GObjectPtr(owned); }
    // Takes a reference of its own; floating references are sunk.
    static GObjectPtr retain(T* shared) {
        return GObjectPtr(shared ? static_cast<T*>(g_object_ref_sink(shared)) : nullptr);
    }

    GObjectPtr(GObjectPtr&& other) noexcept : object(std::exchange(other.object, nullptr)) {}
    GObjectPtr& operator=(GObjectPtr&& other) noexcept {
        std::swap(object, other.object);
        return *this;
    }
    GObjectPtr(const GObjectPtr&) = delete;
    GObjectPtr& operator=(const GObjectPtr&) = delete;
    ~GObjectPtr() {
        if (object)
            g_object_unref(object);
    }

    T* get() const { return object; }
    explicit operator bool() const { return object != nullptr; }

private:
    explicit GObjectPtr(T* held) : object(held) {}
    T* object = nullptr;
};

} // namespace vorl
