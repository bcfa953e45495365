#include "qzobjectlist.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Item : qzObjectNode<Item> {
    explicit Item(int v) : value(v) {}
    int value;
};

std::vector<int> Walk(const qzObjectList<Item>& list) {
    std::vector<int> forward;
    for (Item* i = list.first; i != nullptr; i = i->next)
        forward.push_back(i->value);
    std::vector<int> backward;
    for (Item* i = list.last; i != nullptr; i = i->prev)
        backward.insert(backward.begin(), i->value);
    EXPECT_EQ(forward, backward);
    EXPECT_EQ(static_cast<int>(forward.size()), list.count);
    return forward;
}

} // namespace

TEST(ObjectList, AppendsAtTheTailAndUnlinksFromAnyPosition) {
    qzObjectList<Item> list;
    Item a(1), b(2), c(3), d(4);
    for (Item* i : {&a, &b, &c, &d})
        list.Append(i);
    EXPECT_EQ(Walk(list), (std::vector<int>{1, 2, 3, 4}));
    b.Unlink();
    EXPECT_EQ(Walk(list), (std::vector<int>{1, 3, 4}));
    d.Unlink();
    EXPECT_EQ(Walk(list), (std::vector<int>{1, 3}));
    a.Unlink();
    EXPECT_EQ(Walk(list), (std::vector<int>{3}));
    list.Append(&b);
    EXPECT_EQ(Walk(list), (std::vector<int>{3, 2}));
    c.Unlink();
    b.Unlink();
    EXPECT_EQ(list.first, nullptr);
    EXPECT_EQ(list.last, nullptr);
    {
        Item e(5); // destroyed while linked: it leaves the list
        list.Append(&a);
        list.Append(&e);
    }
    EXPECT_EQ(Walk(list), (std::vector<int>{1}));
    a.Unlink();
}

TEST(ObjectListDeath, BrokenDisciplineIsAnAssertion) {
    EXPECT_DEATH(
        {
            qzObjectList<Item> list;
            Item a(1);
            list.Append(&a);
            list.Append(&a);
        },
        "Expression: list==NULL");
    EXPECT_DEATH(
        {
            Item* a = new Item(1);
            auto* list = new qzObjectList<Item>;
            list->Append(a);
            delete list;
        },
        "Expression: first==NULL");
}
