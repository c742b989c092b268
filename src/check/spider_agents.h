#pragma once

// The user agents Baidu publishes for its spider; the product token robots.txt groups name.
inline constexpr char BaiduSpiderToken[] = "Baiduspider";
inline constexpr char BaiduSpiderAgent[]
    = "Mozilla/5.0 (compatible; Baiduspider/2.0; +http://www.baidu.com/search/spider.html)";
inline constexpr char BaiduMobileSpiderAgent[]
    = "Mozilla/5.0 (Linux;u;Android 4.2.2;zh-cn;) AppleWebKit/534.46 (KHTML,like Gecko) Version/5.1 Mobile "
      "Safari/10600.6.3 (compatible; Baiduspider/2.0; +http://www.baidu.com/search/spider.html)";
