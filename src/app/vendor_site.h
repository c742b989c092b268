#pragma once

#include "base/text.h"

// The vendor's web server: the advertisement pages of the two browser panes
// and the home page behind the status bar. The product has no vendor server
// of its own yet, so the host lies under a domain reserved for examples.
inline constexpr char vendorHost[] = "linkwatch.example.com";

// "http://" + vendorHost + "/"
Text VendorHomeUrl();
// The left pane's page n: "/ad/add" + n + ".htm" on the vendor server.
Text LeftAdPageUrl(int n);
// The right pane's page n: "/ad/ad" + n + ".htm" on the vendor server.
Text RightAdPageUrl(int n);
