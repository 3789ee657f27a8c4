// The front-end's side of the PGP SDK interface, as the product compiles it.
#include "engine/pgpsdk.h"
#include "engine/sdk_table.h"
#include "tests/standin/sdk_sides.h"

namespace sdk_sides {

Side ProductSide() {
    Side side;
    SDK_SIDES_READ(side)
    return side;
}

}  // namespace sdk_sides
