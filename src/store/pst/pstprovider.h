#pragma once

#include "store/store.h"

namespace store::pst {

// Sessions over Outlook PST/OST files.
SessionFactory sessionFactory();

} // namespace store::pst
