#include "app/vendor_site.h"

#include <string>

namespace {

Text vendorPage(const Text& path) { return Text("http://") + vendorHost + path; }

}

Text VendorHomeUrl() { return vendorPage("/"); }

Text LeftAdPageUrl(int n) { return vendorPage("/ad/add" + std::to_string(n) + ".htm"); }

Text RightAdPageUrl(int n) { return vendorPage("/ad/ad" + std::to_string(n) + ".htm"); }
