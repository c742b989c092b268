#include "app/vendor_site.h"

#include <string>

Text VendorSite() { return Text("http://") + vendorHost; }

Text VendorHomeUrl(const Text& site) { return site + "/"; }

Text LeftAdPageUrl(int n, const Text& site) { return site + "/ad/add" + std::to_string(n) + ".htm"; }

Text RightAdPageUrl(int n, const Text& site) { return site + "/ad/ad" + std::to_string(n) + ".htm"; }
