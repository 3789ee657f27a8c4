// The stand-in engine's side of the PGP SDK interface. The names come from the
// loader's table (what the product binds); each slot's type is read as the
// stand-in declares it: the front-end's own declarations are kept out by their
// include guard, and the table's C++ parts land in a namespace of their own.
#include "standin/sdk/sdk_interface.h"

#define ORV_ENGINE_PGPSDK_H
namespace standin_view {
#include "engine/sdk_table.h"
}  // namespace standin_view

#include "tests/standin/sdk_sides.h"

namespace sdk_sides {

Side StandinSide() {
    Side side;
    SDK_SIDES_READ(side)
    return side;
}

}  // namespace sdk_sides
