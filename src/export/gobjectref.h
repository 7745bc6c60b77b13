// An owning pointer to a GLib object (GMime's and libgsf's are), released with g_object_unref.
#pragma once

#include <glib-object.h>
#include <memory>

namespace exporting {

struct GObjectUnref {
    void operator()(gpointer object) const
    {
        if (object) g_object_unref(object);
    }
};
template <class T>
using Ref = std::unique_ptr<T, GObjectUnref>;

} // namespace exporting
