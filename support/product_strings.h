// The string resources the build writes from the product file into every
// installer executable (the setup and its uninstaller alike), by id: the host
// reads the product's name for its own boxes and the layouts' texts, and its
// id for the instance mutex. Shared by the build's product tool and the host.
#pragma once

namespace kavri {

inline constexpr unsigned kProductNameString = 1;        // "Tally"
inline constexpr unsigned kProductIdString = 2;          // "Northwind.Tally": letters, digits, '.', '-', '_'
inline constexpr unsigned kProductVersionString = 3;     // "2.1.0", as written in the product file
inline constexpr unsigned kProductPublisherString = 4;   // "Northwind Tools"

}  // namespace kavri
