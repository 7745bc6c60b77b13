#include "store/pst/pstprovider.h"

#include "store/pst/pstsession.h"

namespace store::pst {

SessionFactory sessionFactory(ProfilePicker picker)
{
    return [picker]() -> std::unique_ptr<Session> { return std::make_unique<PstSession>(picker); };
}

} // namespace store::pst
