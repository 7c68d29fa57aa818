#include "preferences/preferences_item.h"
#include "preferences/preferences_widget.h"

#include <QPointer>

#include <stdexcept>
#include <string>

struct preferences_item::Pimpl {
    QPointer<preferences_widget> widget;
    list_item_t list_item{nullptr, nullptr};
    int index = -1;
    std::list<preferences_item> children;
    // Weak: the parent holds its children, a strong link back would make
    // every page with a parent or children immortal.
    std::weak_ptr<Pimpl> parent;

    ~Pimpl()
    {
        if (widget)
            delete widget.data();
    }
};

namespace {

void register_meta_type()
{
    static const int id = qRegisterMetaType<preferences_item>("preferences_item");
    (void)id;
}

[[noreturn]] void null_handle(const char* member)
{
    throw std::runtime_error(std::string("preferences_item::") + member);
}

} // namespace

preferences_item::preferences_item() { register_meta_type(); }

preferences_item::preferences_item(std::shared_ptr<Pimpl> node) : node_(std::move(node)) {}

preferences_item::preferences_item(preferences_widget* widget, preferences_item parent)
    : node_(std::make_shared<Pimpl>())
{
    register_meta_type();
    node_->widget = widget;
    if (parent)
        parent.add_child(*this);
    node_->parent = parent.node_;
}

preferences_widget* preferences_item::widget() const
{
    if (!node_)
        null_handle("widget");
    return node_->widget.data();
}

void preferences_item::set_index(int index)
{
    if (!node_)
        null_handle("set_index");
    node_->index = index;
}

int preferences_item::index() const
{
    if (!node_)
        null_handle("index");
    return node_->index;
}

void preferences_item::set_list_item(const list_item_t& entry)
{
    if (!node_)
        null_handle("set_list_item");
    node_->list_item = entry;
}

preferences_item::list_item_t preferences_item::list_item() const
{
    if (!node_)
        null_handle("list_item");
    return node_->list_item;
}

void preferences_item::add_child(preferences_item child)
{
    if (!node_)
        null_handle("add_child");
    node_->children.push_back(std::move(child));
}

preferences_item preferences_item::parent() const
{
    if (!node_)
        null_handle("parent");
    return preferences_item(node_->parent.lock());
}

std::list<preferences_item> preferences_item::childs() const
{
    if (!node_)
        null_handle("childs");
    return node_->children;
}

void preferences_item::summon()
{
    if (!node_)
        null_handle("summon");
    if (node_->widget)
        node_->widget->setParent(nullptr);
    node_->index = -1;
    for (auto& child : node_->children)
        child.summon();
}
