// Bound callback: an object with one of its member functions, copied by value, possibly empty.
#pragma once

template <class... Args> class qzCallback {
public:
    qzCallback() = default;

    template <auto Method, class T> static qzCallback Bind(T* object) {
        qzCallback callback;
        callback.object = object;
        callback.call = [](void* target, Args... args) { (static_cast<T*>(target)->*Method)(args...); };
        return callback;
    }

    bool IsEmpty() const { return call == nullptr; }
    // Callers test IsEmpty first: an empty callback is never called.
    void operator()(Args... args) const { call(object, args...); }

private:
    void* object = nullptr;
    void (*call)(void*, Args...) = nullptr;
};
