// Parameter holders: defaults, the setter rule and the cross-format assignment.
#include <gtest/gtest.h>

#include <utility>

#include "engine/data_holders.h"

namespace talvero {
namespace {

Currency C(const char* text) { return Currency::Parse(text); }

struct ChangeCounter {
  int count = 0;
  void Attach(TNotifyPersistent& object) {
    object.OnChange = [this](TNotifyPersistent&) { ++count; };
  }
};

TEST(Holders, DefaultsOfBothFormats) {
  TFMSDataHolder fms;
  fms.SetDefaults();
  EXPECT_EQ(fms.GetAirCraftX(), C("-5"));
  EXPECT_EQ(fms.GetAirCraftY(), C("0"));
  EXPECT_EQ(fms.GetAirCraftZ(), C("-1.7"));
  EXPECT_EQ(fms.GetAreaRadius(), 1000);
  EXPECT_EQ(fms.GetPilotZ(), C("0"));

  TRCPDataHolder rcp;
  rcp.SetDefaults();
  EXPECT_EQ(rcp.GetAirCraftX(), C("5"));
  EXPECT_EQ(rcp.GetAirCraftY(), C("-1.7"));
  EXPECT_EQ(rcp.GetAirCraftZ(), C("0"));
  EXPECT_TRUE(SameIntVector(rcp.GetLightDirection(), {0, -1, 0}));
  EXPECT_TRUE(SameColorTriple(rcp.GetLightDiffuse(), {C("1"), C("1"), C("1")}));
  EXPECT_TRUE(SameColorTriple(rcp.GetLightSpecular(), {C("1"), C("1"), C("1")}));
  EXPECT_TRUE(SameColorTriple(rcp.GetLightAmbient(), {C("0.2"), C("0.2"), C("0.2")}));
}

TEST(Holders, NotifiesOnlyOnRealChanges) {
  TRCPDataHolder rcp;
  rcp.SetDefaults();
  ChangeCounter changes;
  changes.Attach(rcp);

  rcp.SetAirCraftX(C("5.0"));  // same number, other text
  rcp.SetAreaRadius(1000);
  rcp.SetLightDirection({0, -1, 0});
  rcp.SetLightAmbient({C("0.2"), C("0.2"), C("0.2")});
  EXPECT_EQ(changes.count, 0);

  rcp.SetLightDiffuse({C("1"), C("0.5"), C("1")});  // one component: one notification
  EXPECT_EQ(changes.count, 1);
  rcp.SetAirCraftRotate(C("90"));
  EXPECT_EQ(changes.count, 2);

  TFMSDataHolder fms;
  fms.SetDefaults();
  ChangeCounter fmsChanges;
  fmsChanges.Attach(fms);
  fms.SetDefaults();  // every value already at its default
  EXPECT_EQ(fmsChanges.count, 0);
}

TEST(Holders, AreaRadiusHasAMinimumOfOneHundred) {
  TFMSDataHolder fms;
  ChangeCounter changes;
  changes.Attach(fms);
  fms.SetAreaRadius(99);
  EXPECT_EQ(fms.GetAreaRadius(), 100);
  EXPECT_EQ(changes.count, 1);
  fms.SetAreaRadius(100);  // already 100: no change
  fms.SetAreaRadius(-5);
  EXPECT_EQ(changes.count, 1);
  EXPECT_EQ(fms.GetAreaRadius(), 100);
}

TEST(Holders, HeldChangesAreReportedOnRelease) {
  TFMSDataHolder fms;
  ChangeCounter changes;
  changes.Attach(fms);
  fms.HoldChanges();
  fms.SetPilotZ(C("1"));
  fms.SetSlopeX(C("2"));
  EXPECT_EQ(changes.count, 0);
  fms.ReleaseChanges();
  EXPECT_EQ(changes.count, 1);
  fms.NotifyFrom(&fms);
  EXPECT_EQ(changes.count, 1);
  TRCPDataHolder other;
  fms.NotifyFrom(&other);
  EXPECT_EQ(changes.count, 2);
}

TEST(Holders, CrossFormatAssignmentRoundTrips) {
  TFMSDataHolder fms;
  fms.SetDefaults();
  fms.SetSlopeX(C("3.5"));
  fms.SetSlopeY(C("-2"));
  fms.SetPilotZ(C("1.25"));
  fms.SetAreaRadius(1234);
  fms.SetSceneRotate(C("12.3456"));

  TRCPDataHolder rcp;
  rcp.SetDefaults();
  rcp.SetAirCraftRotate(C("45"));
  rcp.SetLightDirection({1, 2, 3});
  rcp.CopyFrom(fms);
  EXPECT_EQ(rcp.GetAirCraftX(), C("5"));
  EXPECT_EQ(rcp.GetAirCraftY(), C("-1.7"));
  EXPECT_EQ(rcp.GetAirCraftZ(), C("0"));
  EXPECT_EQ(rcp.GetSlopeX(), C("3.5"));
  EXPECT_EQ(rcp.GetSlopeZ(), C("-2"));
  EXPECT_EQ(rcp.GetAreaRadius(), 1234);
  EXPECT_EQ(rcp.GetSceneRotate(), C("12.3456"));
  // The RCPSim-only values stay.
  EXPECT_EQ(rcp.GetAirCraftRotate(), C("45"));
  EXPECT_TRUE(SameIntVector(rcp.GetLightDirection(), {1, 2, 3}));

  TFMSDataHolder back;
  back.SetDefaults();
  back.SetPilotZ(C("9"));
  back.SetAirCraftY(C("7"));
  back.CopyFrom(rcp);
  EXPECT_EQ(back.GetAirCraftX(), C("-5"));
  EXPECT_EQ(back.GetAirCraftY(), C("0"));
  EXPECT_EQ(back.GetAirCraftZ(), C("-1.7"));
  EXPECT_EQ(back.GetSlopeX(), C("3.5"));
  EXPECT_EQ(back.GetSlopeY(), C("-2"));
  EXPECT_EQ(back.GetPilotZ(), C("9"));  // no RCPSim counterpart: unchanged
}

TEST(Holders, SameFormatAssignmentCopiesEverything) {
  TRCPDataHolder source;
  source.SetDefaults();
  source.SetLightDirection({4, -5, 6});
  source.SetLightSpecular({C("0.1"), C("0.2"), C("0.3")});
  source.SetAirCraftRotate(C("-30"));
  source.SetSlopeZ(C("1.5"));
  TRCPDataHolder target;
  target.CopyFrom(source);
  EXPECT_TRUE(SameIntVector(target.GetLightDirection(), {4, -5, 6}));
  EXPECT_TRUE(SameColorTriple(target.GetLightSpecular(), source.GetLightSpecular()));
  EXPECT_EQ(target.GetAirCraftRotate(), C("-30"));
  EXPECT_EQ(target.GetSlopeZ(), C("1.5"));
  EXPECT_EQ(target.GetAirCraftY(), C("-1.7"));

  TFMSDataHolder fmsSource, fmsTarget;
  fmsSource.SetDefaults();
  fmsSource.SetPilotZ(C("2"));
  fmsSource.SetSlopeY(C("4"));
  fmsTarget.CopyFrom(fmsSource);
  EXPECT_EQ(fmsTarget.GetPilotZ(), C("2"));
  EXPECT_EQ(fmsTarget.GetSlopeY(), C("4"));
  EXPECT_EQ(fmsTarget.GetAirCraftZ(), C("-1.7"));
}

// A holder that serves a value from elsewhere: assignment must use the accessors.
class OverriddenFMS : public TFMSDataHolder {
 public:
  Currency GetAirCraftX() const override { return Currency::Parse("42"); }
};

TEST(Holders, AssignmentReadsThroughAccessors) {
  OverriddenFMS source;
  TRCPDataHolder target;
  target.CopyFrom(source);
  EXPECT_EQ(target.GetAirCraftX(), C("-42"));
}

// Every value distinct and non-zero, so that a component taken from the wrong axis, a lost
// sign or a value left out shows.
void ChangeEverything(TFMSDataHolder& fms) {
  fms.SetAirCraftX(C("1.25"));
  fms.SetAirCraftY(C("2.5"));
  fms.SetAirCraftZ(C("-3.75"));
  fms.SetAreaRadius(1357);
  fms.SetSceneRotate(C("11.5"));
  fms.SetPilotZ(C("0.75"));
  fms.SetSlopeX(C("4.5"));
  fms.SetSlopeY(C("-6.25"));
}

void ChangeEverything(TRCPDataHolder& rcp) {
  rcp.SetAirCraftX(C("7.5"));
  rcp.SetAirCraftY(C("-8.25"));
  rcp.SetAirCraftZ(C("9.75"));
  rcp.SetAreaRadius(2468);
  rcp.SetSceneRotate(C("-13.5"));
  rcp.SetSlopeX(C("-2.5"));
  rcp.SetSlopeZ(C("3.25"));
  rcp.SetAirCraftRotate(C("22.5"));
  rcp.SetLightDirection({3, -4, 5});
  rcp.SetLightDiffuse({C("0.1"), C("0.2"), C("0.3")});
  rcp.SetLightSpecular({C("0.4"), C("0.5"), C("0.6")});
  rcp.SetLightAmbient({C("0.7"), C("0.8"), C("0.9")});
}

TEST(Holders, EveryComponentCrossesFormatsOnItsOwnAxis) {
  TFMSDataHolder fms;
  ChangeEverything(fms);
  TRCPDataHolder rcp;
  rcp.SetDefaults();
  rcp.CopyFrom(fms);  // FMS (x, y, z) is RCPSim (-x, z, -y)
  EXPECT_EQ(rcp.GetAirCraftX(), C("-1.25"));
  EXPECT_EQ(rcp.GetAirCraftY(), C("-3.75"));
  EXPECT_EQ(rcp.GetAirCraftZ(), C("-2.5"));
  EXPECT_EQ(rcp.GetAreaRadius(), 1357);
  EXPECT_EQ(rcp.GetSceneRotate(), C("11.5"));
  EXPECT_EQ(rcp.GetSlopeX(), C("4.5"));
  EXPECT_EQ(rcp.GetSlopeZ(), C("-6.25"));

  TRCPDataHolder other;
  ChangeEverything(other);
  TFMSDataHolder back;
  back.SetDefaults();
  back.CopyFrom(other);  // RCPSim (x, y, z) is FMS (-x, -z, y)
  EXPECT_EQ(back.GetAirCraftX(), C("-7.5"));
  EXPECT_EQ(back.GetAirCraftY(), C("-9.75"));
  EXPECT_EQ(back.GetAirCraftZ(), C("-8.25"));
  EXPECT_EQ(back.GetAreaRadius(), 2468);
  EXPECT_EQ(back.GetSceneRotate(), C("-13.5"));
  EXPECT_EQ(back.GetSlopeX(), C("-2.5"));
  EXPECT_EQ(back.GetSlopeY(), C("3.25"));
  EXPECT_EQ(back.GetPilotZ(), C("0"));
}

TEST(Holders, SameFormatCopiesEveryColourAndDefaultsRestoreEveryValue) {
  TRCPDataHolder source, target;
  ChangeEverything(source);
  target.SetDefaults();
  target.CopyFrom(source);
  EXPECT_TRUE(SameColorTriple(target.GetLightDiffuse(), {C("0.1"), C("0.2"), C("0.3")}));
  EXPECT_TRUE(SameColorTriple(target.GetLightSpecular(), {C("0.4"), C("0.5"), C("0.6")}));
  EXPECT_TRUE(SameColorTriple(target.GetLightAmbient(), {C("0.7"), C("0.8"), C("0.9")}));
  EXPECT_TRUE(SameIntVector(target.GetLightDirection(), {3, -4, 5}));
  EXPECT_EQ(target.GetAirCraftRotate(), C("22.5"));
  EXPECT_EQ(target.GetAirCraftX(), C("7.5"));
  EXPECT_EQ(target.GetAirCraftY(), C("-8.25"));
  EXPECT_EQ(target.GetAirCraftZ(), C("9.75"));
  EXPECT_EQ(target.GetAreaRadius(), 2468);
  EXPECT_EQ(target.GetSceneRotate(), C("-13.5"));
  EXPECT_EQ(target.GetSlopeX(), C("-2.5"));
  EXPECT_EQ(target.GetSlopeZ(), C("3.25"));

  TFMSDataHolder fmsSource, fmsTarget;
  ChangeEverything(fmsSource);
  fmsTarget.SetDefaults();
  fmsTarget.CopyFrom(fmsSource);
  EXPECT_EQ(fmsTarget.GetAirCraftX(), C("1.25"));
  EXPECT_EQ(fmsTarget.GetAirCraftY(), C("2.5"));
  EXPECT_EQ(fmsTarget.GetAirCraftZ(), C("-3.75"));
  EXPECT_EQ(fmsTarget.GetAreaRadius(), 1357);
  EXPECT_EQ(fmsTarget.GetSceneRotate(), C("11.5"));
  EXPECT_EQ(fmsTarget.GetPilotZ(), C("0.75"));
  EXPECT_EQ(fmsTarget.GetSlopeX(), C("4.5"));
  EXPECT_EQ(fmsTarget.GetSlopeY(), C("-6.25"));

  // Defaults after every value was changed, not only on fresh holders.
  TFMSDataHolder fresh;
  fresh.SetDefaults();
  fmsTarget.SetDefaults();
  for (const auto& [a, b] : {std::pair(fmsTarget.GetAirCraftX(), fresh.GetAirCraftX()),
                             std::pair(fmsTarget.GetAirCraftY(), fresh.GetAirCraftY()),
                             std::pair(fmsTarget.GetAirCraftZ(), fresh.GetAirCraftZ()),
                             std::pair(fmsTarget.GetSceneRotate(), fresh.GetSceneRotate()),
                             std::pair(fmsTarget.GetPilotZ(), fresh.GetPilotZ()),
                             std::pair(fmsTarget.GetSlopeX(), fresh.GetSlopeX()),
                             std::pair(fmsTarget.GetSlopeY(), fresh.GetSlopeY())})
    EXPECT_EQ(a, b);
  EXPECT_EQ(fmsTarget.GetAreaRadius(), 1000);
  EXPECT_EQ(fresh.GetSceneRotate(), C("0"));

  TRCPDataHolder rcpFresh;
  rcpFresh.SetDefaults();
  target.SetDefaults();
  for (const auto& [a, b] : {std::pair(target.GetAirCraftX(), rcpFresh.GetAirCraftX()),
                             std::pair(target.GetAirCraftY(), rcpFresh.GetAirCraftY()),
                             std::pair(target.GetAirCraftZ(), rcpFresh.GetAirCraftZ()),
                             std::pair(target.GetSceneRotate(), rcpFresh.GetSceneRotate()),
                             std::pair(target.GetAirCraftRotate(), rcpFresh.GetAirCraftRotate()),
                             std::pair(target.GetSlopeX(), rcpFresh.GetSlopeX()),
                             std::pair(target.GetSlopeZ(), rcpFresh.GetSlopeZ())})
    EXPECT_EQ(a, b);
  EXPECT_EQ(target.GetAreaRadius(), 1000);
  EXPECT_TRUE(SameIntVector(target.GetLightDirection(), {0, -1, 0}));
  EXPECT_TRUE(SameColorTriple(target.GetLightDiffuse(), {C("1"), C("1"), C("1")}));
  EXPECT_TRUE(SameColorTriple(target.GetLightSpecular(), {C("1"), C("1"), C("1")}));
  EXPECT_TRUE(SameColorTriple(target.GetLightAmbient(), {C("0.2"), C("0.2"), C("0.2")}));
}

}  // namespace
}  // namespace talvero
