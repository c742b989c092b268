#pragma once

#include "base/text.h"

// The vendor's web server: the advertisement pages of the two browser panes
// and the home page behind the status bar. The product has no vendor server
// of its own yet, so the host lies under a domain reserved for examples.
inline constexpr char vendorHost[] = "linkwatch.example.com";

// "http://" + vendorHost: the site the page functions below default to.
Text VendorSite();
// The home page: site + "/".
Text VendorHomeUrl(const Text& site = VendorSite());
// The left pane's page n: site + "/ad/add" + n + ".htm".
Text LeftAdPageUrl(int n, const Text& site = VendorSite());
// The right pane's page n: site + "/ad/ad" + n + ".htm".
Text RightAdPageUrl(int n, const Text& site = VendorSite());
