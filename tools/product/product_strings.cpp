// The string table of an installer executable: the product's name, id,
// version and publisher under the ids of support/product_strings.h, for the
// host to read at start-up.
#include "support/product_strings.h"

#include "tools/product/product_outputs.h"

namespace kavri::product {

std::string productStrings(const Product& product) {
  std::string out =
      "// The product's strings, written by the build from product.json.\n"
      "#pragma code_page(65001)\n"
      "STRINGTABLE\n"
      "BEGIN\n";
  auto entry = [&out](unsigned id, const std::string& text) {
    out += "  " + std::to_string(id) + ", " + rcQuoted(text) + "\n";
  };
  entry(kProductNameString, product.name);
  entry(kProductIdString, product.id);
  entry(kProductVersionString, product.version);
  entry(kProductPublisherString, product.publisher);
  return out + "END\n";
}

}  // namespace kavri::product
