#pragma once
// A doubly linked list that owns its nodes and their values.

#include <cstddef>
#include <iterator>

template <class T>
class DList {
public:
    struct Node {
        Node* prev = nullptr;
        Node* next = nullptr;
        DList* list = nullptr;
        T value;
    };

    template <class V, class N>
    class BasicIterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = T;
        using difference_type = std::ptrdiff_t;
        using pointer = V*;
        using reference = V&;
        BasicIterator() = default;
        explicit BasicIterator(N* n) : node_(n) {}
        V& operator*() const { return node_->value; }
        V* operator->() const { return &node_->value; }
        BasicIterator& operator++() {
            node_ = node_->next;
            return *this;
        }
        BasicIterator operator++(int) {
            BasicIterator old = *this;
            node_ = node_->next;
            return old;
        }
        bool operator==(BasicIterator const& o) const { return node_ == o.node_; }
        bool operator!=(BasicIterator const& o) const { return node_ != o.node_; }

    private:
        N* node_ = nullptr;
    };
    using iterator = BasicIterator<T, Node>;
    using const_iterator = BasicIterator<T const, Node const>;

    DList() = default;
    DList(DList const& other) { AppendAll(other); }
    DList(DList&& other) noexcept { Steal(other); }
    DList& operator=(DList const& other) {
        if (this != &other) {
            RemoveAll();
            AppendAll(other);
        }
        return *this;
    }
    DList& operator=(DList&& other) noexcept {
        if (this != &other) {
            RemoveAll();
            Steal(other);
        }
        return *this;
    }
    ~DList() { RemoveAll(); }

    void Append(T const& value) {
        Node* n = new Node{tail_, nullptr, this, value};
        (tail_ ? tail_->next : head_) = n;
        tail_ = n;
        ++count_;
    }

    void RemoveAll() {
        for (Node* n = head_; n;) {
            Node* next = n->next;
            n->list = nullptr;
            delete n;
            n = next;
        }
        head_ = tail_ = nullptr;
        count_ = 0;
    }

    Node* GetHead() const { return head_; }
    Node* GetTail() const { return tail_; }
    int GetCount() const { return count_; }
    int IsEmpty() const { return head_ == nullptr; }

    iterator begin() { return iterator(head_); }
    iterator end() { return iterator(); }
    const_iterator begin() const { return const_iterator(head_); }
    const_iterator end() const { return const_iterator(); }

private:
    void AppendAll(DList const& other) {
        for (Node const* n = other.head_; n; n = n->next) Append(n->value);
    }
    void Steal(DList& other) {
        head_ = other.head_;
        tail_ = other.tail_;
        count_ = other.count_;
        other.head_ = other.tail_ = nullptr;
        other.count_ = 0;
        for (Node* n = head_; n; n = n->next) n->list = this;
    }

    Node* head_ = nullptr;
    Node* tail_ = nullptr;
    int count_ = 0;
};
