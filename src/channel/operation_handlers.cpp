// The handler column of the route table (routes.h), made into one call per route.
#include <cstddef>
#include <iterator>
#include <stdexcept>

#include "channel/routes.h"
#include "operations/host_operations.h"
#include "operations/library_operations.h"

namespace {

using THandler = void (*)(IOperationHost& host, const TTavrinFunctions* tavrin);

template <void (*Handle)(IOperationHost&, const TTavrinFunctions&)>
void LibraryHandler(IOperationHost& host, const TTavrinFunctions* tavrin) {
  if (!tavrin) throw std::runtime_error("The signing library is not loaded");
  Handle(host, *tavrin);
}

template <void (*Handle)(IOperationHost&)>
void HostHandler(IOperationHost& host, const TTavrinFunctions*) {
  Handle(host);
}

// In the order of TRoute, which the same rows make.
constexpr THandler kHandlers[] = {
#define FEROLANT_ROUTE_HANDLER(name, route, handler) handler,
    FEROLANT_ROUTES(FEROLANT_ROUTE_HANDLER)
#undef FEROLANT_ROUTE_HANDLER
        HostHandler<operations::DoUnknownMethod>,
};
static_assert(std::size(kHandlers) == static_cast<std::size_t>(TRoute::UnknownMethod) + 1);

}  // namespace

void Dispatch(TRoute route, IOperationHost& host, const TTavrinFunctions* tavrin) {
  kHandlers[static_cast<std::size_t>(route)](host, tavrin);
}
