// Controls carry their design names as Qt object names, which the windows' tests find them by.
#pragma once

#include <QLatin1String>
#include <utility>

namespace controls {

// A new control of type T, made from args (its caption, its parent), named `name`.
template <class T, class... Args>
T* named(const char* name, Args&&... args)
{
    auto* widget = new T(std::forward<Args>(args)...);
    widget->setObjectName(QLatin1String(name));
    return widget;
}

} // namespace controls
