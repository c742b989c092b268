#include "net/net_client.h"

TNetClient::TNetClient()
    : TargetHost("127.0.0.1")
    , TargetPort("0")
    , IPInterface("0.0.0.0")
    , Timeout(5000)
{
}
