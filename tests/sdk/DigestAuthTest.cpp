#include "DigestAuth.h"

#include <gtest/gtest.h>

namespace {

TEST(DigestAuth, ResponseMatchesTheRfcExample)
{
    EXPECT_EQ(vtwire::DigestResponse("Mufasa", "testrealm@host.com", "Circle Of Life", "GET",
                                     "/dir/index.html", "dcd98b7102dd2f0e8b11d0f600bfb0c093", "00000001",
                                     "0a4f113b"),
              "6629fae49393a05397450978507c4ef1");
}

TEST(DigestAuth, ChallengeParsing)
{
    const auto challenge = vtwire::ParseDigestChallenge(
        R"(Digest realm="VtIpc", qop="auth,auth-int", algorithm=MD5, nonce="n\"1", opaque="o", stale=TRUE)");
    ASSERT_TRUE(challenge.has_value());
    EXPECT_EQ(challenge->realm, "VtIpc");
    EXPECT_EQ(challenge->nonce, "n\"1");
    EXPECT_EQ(challenge->opaque, "o");
    EXPECT_TRUE(challenge->stale);
    EXPECT_FALSE(vtwire::ParseDigestChallenge(R"(Basic realm="VtIpc")").has_value());
    EXPECT_FALSE(vtwire::ParseDigestChallenge(R"(Digest realm="VtIpc", nonce="n")").has_value()) << "no qop";
    EXPECT_FALSE(
        vtwire::ParseDigestChallenge(R"(Digest realm="VtIpc", qop="auth", nonce="n", algorithm=SHA-256)")
            .has_value());
    EXPECT_FALSE(vtwire::ParseDigestChallenge(R"(Digest realm="VtIpc, qop="auth")").has_value());
}

TEST(DigestAuth, CameraAcceptsOnlyFreshNoncesTheRightUriAndPassword)
{
    const vtwire::DigestNonceIssuer issuer("s3cret");
    const int64_t now = 1'800'000'000;
    const auto challenge = vtwire::ParseDigestChallenge(vtwire::BuildDigestChallenge(issuer, now, false));
    ASSERT_TRUE(challenge.has_value());
    const std::string good =
        vtwire::BuildDigestAuthorization(*challenge, "admin", "pw", "GET", "/vtipc/v1/login", 1, "abcd");
    using vtwire::DigestVerdict;
    EXPECT_EQ(vtwire::VerifyDigest(good, "GET", "/vtipc/v1/login", "admin", "pw", issuer, now + 10),
              DigestVerdict::Accepted);
    EXPECT_EQ(vtwire::VerifyDigest(good, "GET", "/vtipc/v1/login", "admin", "pw", issuer, now + 301),
              DigestVerdict::Stale);
    EXPECT_EQ(vtwire::VerifyDigest(good, "GET", "/vtipc/v1/login", "admin", "other", issuer, now),
              DigestVerdict::Refused);
    EXPECT_EQ(vtwire::VerifyDigest(good, "PUT", "/vtipc/v1/login", "admin", "pw", issuer, now),
              DigestVerdict::Refused);
    EXPECT_EQ(vtwire::VerifyDigest(good, "GET", "/vtipc/v1/system/info", "admin", "pw", issuer, now),
              DigestVerdict::Refused);
    EXPECT_EQ(vtwire::VerifyDigest("", "GET", "/", "admin", "pw", issuer, now), DigestVerdict::Missing);

    const vtwire::DigestNonceIssuer otherCamera("different");
    EXPECT_EQ(vtwire::VerifyDigest(good, "GET", "/vtipc/v1/login", "admin", "pw", otherCamera, now),
              DigestVerdict::Refused);
}

// User names are typed by people: quotes and backslashes in them, and in a
// nonce the camera chose, must survive the quoted-strings of the header.
TEST(DigestAuth, QuotesAndBackslashesInTheUserAndNonceSurviveTheHeader)
{
    vtwire::DigestChallenge challenge;
    challenge.realm = vtwire::kDigestRealm;
    challenge.nonce = "n\"1\\";
    const std::string user = "ad\"m\\in'";
    const std::string authorization =
        vtwire::BuildDigestAuthorization(challenge, user, "p'w\\", "GET", "/vtipc/v1/login", 1, "abcd");
    const auto params = vtwire::ParseDigestParams(authorization);
    ASSERT_TRUE(params.has_value()) << authorization;
    EXPECT_EQ(params->at("username"), user);
    EXPECT_EQ(params->at("nonce"), challenge.nonce);
    EXPECT_EQ(params->at("response"), vtwire::DigestResponse(user, challenge.realm, "p'w\\", "GET",
                                                             "/vtipc/v1/login", challenge.nonce, "00000001",
                                                             "abcd"));

    const vtwire::DigestNonceIssuer issuer("s3cret");
    const int64_t now = 1'800'000'000;
    const auto issued = vtwire::ParseDigestChallenge(vtwire::BuildDigestChallenge(issuer, now, false));
    ASSERT_TRUE(issued.has_value());
    const std::string good =
        vtwire::BuildDigestAuthorization(*issued, user, "p'w\\", "GET", "/vtipc/v1/login", 1, "abcd");
    EXPECT_EQ(vtwire::VerifyDigest(good, "GET", "/vtipc/v1/login", user, "p'w\\", issuer, now),
              vtwire::DigestVerdict::Accepted);
}

TEST(DigestAuth, UriWhoseEscapesTheServerDecodedStillMatchesTheTarget)
{
    const vtwire::DigestNonceIssuer issuer("s3cret");
    const int64_t now = 1'800'000'000;
    const auto challenge = vtwire::ParseDigestChallenge(vtwire::BuildDigestChallenge(issuer, now, false));
    ASSERT_TRUE(challenge.has_value());
    const std::string target = "/vtipc/v1/files/custom?kind=0&name=a%2Fb";
    std::string seen = vtwire::BuildDigestAuthorization(*challenge, "admin", "pw", "GET", target, 1, "c");
    seen.replace(seen.find("a%2Fb"), 5, "a/b");
    EXPECT_EQ(vtwire::VerifyDigest(seen, "GET", target, "admin", "pw", issuer, now),
              vtwire::DigestVerdict::Accepted);
    EXPECT_EQ(vtwire::VerifyDigest(seen, "GET", "/vtipc/v1/files/custom?kind=0&name=a%2Fc", "admin", "pw",
                                   issuer, now),
              vtwire::DigestVerdict::Refused);
}

} // namespace
