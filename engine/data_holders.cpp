#include "engine/data_holders.h"

namespace talvero {

namespace {

Currency Decimal(int64_t tenThousandths) { return Currency::FromRaw(tenThousandths); }

TColorTriple Grey(int64_t tenThousandths) {
  return {Decimal(tenThousandths), Decimal(tenThousandths), Decimal(tenThousandths)};
}

}  // namespace

void TSimDataHolder::SetAreaRadius(int32_t value) {
  if (value < kMinAreaRadius) value = kMinAreaRadius;
  SetAndNotify(FAreaRadius, value);
}

void TSimDataHolder::SetDefaults() {
  SetAirCraftX(Decimal(-50000));
  SetAirCraftY(Decimal(0));
  SetAirCraftZ(Decimal(-17000));
  SetAreaRadius(1000);
  SetSceneRotate(Decimal(0));
}

void TSimDataHolder::CopyFrom(const TSimDataHolder& source) {
  SetAirCraftX(source.GetAirCraftX());
  SetAirCraftY(source.GetAirCraftY());
  SetAirCraftZ(source.GetAirCraftZ());
  SetAreaRadius(source.GetAreaRadius());
  SetSceneRotate(source.GetSceneRotate());
}

void TFMSDataHolder::SetDefaults() {
  SetPilotZ(Decimal(0));
  SetSlopeX(Decimal(0));
  SetSlopeY(Decimal(0));
  TSimDataHolder::SetDefaults();
}

void TFMSDataHolder::CopyFrom(const TSimDataHolder& source) {
  TSimDataHolder::CopyFrom(source);
  if (auto* rcp = dynamic_cast<const TRCPDataHolder*>(&source)) {
    // RCPSim (x, y, z) is FMS (-x, -z, y).
    SetAirCraftX(-rcp->GetAirCraftX());
    SetAirCraftY(-rcp->GetAirCraftZ());
    SetAirCraftZ(rcp->GetAirCraftY());
    SetSlopeX(rcp->GetSlopeX());
    SetSlopeY(rcp->GetSlopeZ());
  } else if (auto* fms = dynamic_cast<const TFMSDataHolder*>(&source)) {
    SetPilotZ(fms->GetPilotZ());
    SetSlopeX(fms->GetSlopeX());
    SetSlopeY(fms->GetSlopeY());
  }
}

void TRCPDataHolder::SetLightDirection(const TIntVector& value) {
  if (SameIntVector(FLightDirection, value)) return;
  FLightDirection = value;
  Changed();
}

void TRCPDataHolder::SetLightDiffuse(const TColorTriple& value) {
  if (SameColorTriple(FLightDiffuse, value)) return;
  FLightDiffuse = value;
  Changed();
}

void TRCPDataHolder::SetLightSpecular(const TColorTriple& value) {
  if (SameColorTriple(FLightSpecular, value)) return;
  FLightSpecular = value;
  Changed();
}

void TRCPDataHolder::SetLightAmbient(const TColorTriple& value) {
  if (SameColorTriple(FLightAmbient, value)) return;
  FLightAmbient = value;
  Changed();
}

void TRCPDataHolder::SetDefaults() {
  TSimDataHolder::SetDefaults();
  SetLightDirection({0, -1, 0});
  SetLightDiffuse(Grey(10000));
  SetLightSpecular(Grey(10000));
  SetLightAmbient(Grey(2000));
  SetAirCraftRotate(Decimal(0));
  SetAirCraftX(Decimal(50000));
  SetAirCraftY(Decimal(-17000));
  SetAirCraftZ(Decimal(0));
  SetSlopeX(Decimal(0));
  SetSlopeZ(Decimal(0));
}

void TRCPDataHolder::CopyFrom(const TSimDataHolder& source) {
  TSimDataHolder::CopyFrom(source);
  if (auto* fms = dynamic_cast<const TFMSDataHolder*>(&source)) {
    // FMS (x, y, z) is RCPSim (-x, z, -y).
    SetAirCraftX(-fms->GetAirCraftX());
    SetAirCraftY(fms->GetAirCraftZ());
    SetAirCraftZ(-fms->GetAirCraftY());
    SetSlopeX(fms->GetSlopeX());
    SetSlopeZ(fms->GetSlopeY());
  } else if (auto* rcp = dynamic_cast<const TRCPDataHolder*>(&source)) {
    SetLightDirection(rcp->GetLightDirection());
    SetLightDiffuse(rcp->GetLightDiffuse());
    SetLightSpecular(rcp->GetLightSpecular());
    SetLightAmbient(rcp->GetLightAmbient());
    SetAirCraftRotate(rcp->GetAirCraftRotate());
    SetSlopeX(rcp->GetSlopeX());
    SetSlopeZ(rcp->GetSlopeZ());
  }
}

}  // namespace talvero
