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

// The same for a member function that returns a value: qzCallback<bool()>, qzCallback<uint32_t()>.
template <class Result, class... Args> class qzCallback<Result(Args...)> {
public:
    qzCallback() = default;

    template <auto Method, class T> static qzCallback Bind(T* object) {
        qzCallback callback;
        callback.object = object;
        callback.call = [](void* target, Args... args) -> Result {
            return (static_cast<T*>(target)->*Method)(args...);
        };
        return callback;
    }

    bool IsEmpty() const { return call == nullptr; }
    Result operator()(Args... args) const { return call(object, args...); }

private:
    void* object = nullptr;
    Result (*call)(void*, Args...) = nullptr;
};
