// Intrusive, counted, doubly linked lists. A member derives from qzObjectNode<T> and carries its owner
// list and neighbours; the list carries first, last and count. Members are appended at the tail.
#pragma once

#include "qzassert.h"

#include <cstdint>

template <class T> class qzObjectList;

template <class T> class qzObjectNode {
public:
    qzObjectNode() = default;
    qzObjectNode(const qzObjectNode&) = delete;
    qzObjectNode& operator=(const qzObjectNode&) = delete;
    // A member that dies while linked leaves its list, so the list never holds a dangling entry.
    ~qzObjectNode() {
        if (list != nullptr)
            Unlink();
    }

    void Unlink();
    bool IsLinked() const { return list != nullptr; }

    qzObjectList<T>* list = nullptr;
    T* prev = nullptr;
    T* next = nullptr;
};

template <class T> class qzObjectList {
public:
    qzObjectList() = default;
    qzObjectList(const qzObjectList&) = delete;
    qzObjectList& operator=(const qzObjectList&) = delete;
    ~qzObjectList() { QZASSERT(first == nullptr, "first==NULL"); }

    void Append(T* member) {
        qzObjectNode<T>* node = member;
        QZASSERT(node->list == nullptr, "list==NULL");
        node->list = this;
        node->prev = last;
        node->next = nullptr;
        if (last != nullptr)
            static_cast<qzObjectNode<T>*>(last)->next = member;
        else
            first = member;
        last = member;
        ++count;
    }

    T* first = nullptr;
    T* last = nullptr;
    int32_t count = 0;
};

template <class T> void qzObjectNode<T>::Unlink() {
    QZASSERT(list != nullptr, "list!=NULL");
    if (prev != nullptr)
        static_cast<qzObjectNode<T>*>(prev)->next = next;
    else
        list->first = next;
    if (next != nullptr)
        static_cast<qzObjectNode<T>*>(next)->prev = prev;
    else
        list->last = prev;
    --list->count;
    list = nullptr;
    prev = nullptr;
    next = nullptr;
}
