#include "NetworkForm.h"

#include "TestInfo.h"

#include <gtest/gtest.h>

namespace {
NetworkForm GoodForm()
{
    NetworkForm form;
    form.user = L"admin";
    form.password = L"qr7319";
    form.name = L"Cam";
    form.ip = L"192.168.5.10";
    form.port = L"80";
    form.netmask = L"255.255.255.0";
    form.gateway = L"192.168.5.1";
    form.dns = L"192.168.5.1";
    return form;
}
} // namespace

TEST(NetworkForm, ChecksRunInOrderAndNameTheBoxToFocus)
{
    EXPECT_EQ(CheckNetworkForm(GoodForm()).key, 0u);
    struct Case
    {
        std::wstring NetworkForm::*box;
        std::wstring value;
        unsigned key;
        FormField field;
    };
    const Case cases[] = {
        {&NetworkForm::user, L"  ", 90003, FormField::None},
        {&NetworkForm::password, L"", 90004, FormField::None},
        {&NetworkForm::name, L" ", 90005, FormField::Name},
        {&NetworkForm::name, L"50%", 83010, FormField::Name},
        {&NetworkForm::name, L"say \"hi\"", 83010, FormField::Name},
        {&NetworkForm::ip, L"", 90005, FormField::Ip},
        {&NetworkForm::ip, L"10.255.1.1", 90006, FormField::Ip},
        {&NetworkForm::ip, L"192.168.001.010", 90006, FormField::Ip},
        {&NetworkForm::netmask, L"0.255.255.255", 90007, FormField::Netmask},
        {&NetworkForm::gateway, L"192.168.1.255", 90008, FormField::Gateway},
        {&NetworkForm::port, L"", 90005, FormField::Port},
        {&NetworkForm::port, L"0", 90009, FormField::Port},
        {&NetworkForm::port, L"65536", 90009, FormField::Port},
        {&NetworkForm::dns, L"224.0.0.1", 90030, FormField::Dns},
    };
    for (const Case& c : cases) {
        NetworkForm form = GoodForm();
        form.*(c.box) = c.value;
        const FormProblem problem = CheckNetworkForm(form);
        EXPECT_EQ(problem.key, c.key) << std::string(c.value.begin(), c.value.end());
        EXPECT_EQ(problem.field, c.field);
    }
    NetworkForm form = GoodForm();
    form.ip = L"  192.168.1.10 ";
    EXPECT_EQ(CheckNetworkForm(form).key, 0u) << "boxes are trimmed first";
    form.singleMode = false;
    form.name = L"";
    EXPECT_EQ(CheckNetworkForm(form).key, 0u) << "multi mode keeps every camera's own name";
}

TEST(NetworkForm, RequestTakesIdentityFromCameraAndSettingsFromForm)
{
    tagVtIpcInfo camera = MakeCamera(0x11, "192.168.5.20", 80, "Old name");
    camera.viaUdp = 0;
    NetworkForm form = GoodForm();
    form.name = L"\x5927\x95e8";
    form.port = L"8080";
    const tagVtIpcInfo single = BuildModifyRequest(camera, form, "192.168.5.30");
    EXPECT_EQ(0, std::memcmp(single.mac, camera.mac, 8));
    EXPECT_STREQ(single.devName, "\xe5\xa4\xa7\xe9\x97\xa8");
    EXPECT_STREQ(single.ip, "192.168.5.30");
    EXPECT_EQ(single.port, 8080);
    EXPECT_STREQ(single.user, "admin");

    form.singleMode = false;
    form.user = L"ad\\min";
    form.password = L"it's\\";
    const tagVtIpcInfo multi = BuildModifyRequest(camera, form, "192.168.5.31");
    EXPECT_STREQ(multi.devName, "Old name");
    // The camera compares the credentials of a modify request byte for byte.
    EXPECT_STREQ(multi.user, "ad\\min");
    EXPECT_STREQ(multi.password, "it's\\");
}

TEST(NetworkForm, UnchangedFormIsRecognisedWithoutRegardToCase)
{
    tagVtIpcInfo camera = MakeCamera(0x11, "192.168.5.10", 80, "Cam");
    NetworkForm form = GoodForm();
    EXPECT_TRUE(FormMatchesCamera(camera, form));
    form.port = L"81";
    EXPECT_FALSE(FormMatchesCamera(camera, form));
    form = GoodForm();
    form.name = L"cam";
    EXPECT_FALSE(FormMatchesCamera(camera, form)) << "the name is compared byte for byte";
}
