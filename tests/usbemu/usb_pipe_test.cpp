#include <gtest/gtest.h>

#include "devlink/device.h"
#include "devlink/usbpipe.h"
#include "tests/usbemu/usbemu.h"

namespace mirca {
namespace {

TEST(UsbPipe, IdentifiesAFramedPanel) {
    usbemu::TUsbTestbed bed;
    sim::TSimPanel panel;
    usbemu::TEmulatedDevice& usb = bed.AddPanel(panel);
    TAtmUsbPipe pipe;
    pipe.SetPortName("usb");
    pipe.SetDeviceListPath(MIRCA_BIN_DIR "/drv_base/usbdevices.xml");
    ASSERT_EQ(pipe.Open(), 1u);
    ASSERT_TRUE(pipe.IsOpen());
    TZelmoDevice device;
    ASSERT_TRUE(device.Connect(&pipe, TZelmoDevice::kModeConfiguration));
    EXPECT_TRUE(device.Framed);
    EXPECT_EQ(device.TypeCode, 937);
    const usbemu::TDeviceCounters counters = usb.Counters();
    EXPECT_EQ(counters.claims, 1u);
    EXPECT_GE(counters.submitted, 2u);
}

}  // namespace
}  // namespace mirca
