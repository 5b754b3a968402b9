// Scene parameters of the two simulators. Every property has a virtual getter and
// setter; the window's bound holders override them to read and write grid cells, so all
// engine and format code goes through the accessors, never the fields.
#pragma once

#include <cstdint>

#include "engine/notify_persistent.h"
#include "engine/vectors.h"
#include "support/currency.h"

namespace talvero {

// The smallest scenery radius in metres; smaller values are raised to it.
inline constexpr int32_t kMinAreaRadius = 100;

class TSimDataHolder : public TNotifyPersistent {
 public:
  virtual Currency GetAirCraftX() const { return FAirCraftX; }
  virtual void SetAirCraftX(Currency value) { SetAndNotify(FAirCraftX, value); }
  virtual Currency GetAirCraftY() const { return FAirCraftY; }
  virtual void SetAirCraftY(Currency value) { SetAndNotify(FAirCraftY, value); }
  virtual Currency GetAirCraftZ() const { return FAirCraftZ; }
  virtual void SetAirCraftZ(Currency value) { SetAndNotify(FAirCraftZ, value); }
  virtual int32_t GetAreaRadius() const { return FAreaRadius; }
  // Values below the minimum radius are raised to it before they are stored.
  virtual void SetAreaRadius(int32_t value);
  virtual Currency GetSceneRotate() const { return FSceneRotate; }
  virtual void SetSceneRotate(Currency value) { SetAndNotify(FSceneRotate, value); }

  virtual void SetDefaults();

  // Copies the shared values; derived holders add their own and convert across formats
  // with FMS (x, y, z) <-> RCPSim (-x, z, -y).
  virtual void CopyFrom(const TSimDataHolder& source);

 private:
  Currency FAirCraftX, FAirCraftY, FAirCraftZ;
  int32_t FAreaRadius = 0;
  Currency FSceneRotate;
};

class TRCPDataHolder;

class TFMSDataHolder : public TSimDataHolder {
 public:
  virtual Currency GetPilotZ() const { return FPilotZ; }
  virtual void SetPilotZ(Currency value) { SetAndNotify(FPilotZ, value); }
  virtual Currency GetSlopeX() const { return FSlopeX; }
  virtual void SetSlopeX(Currency value) { SetAndNotify(FSlopeX, value); }
  virtual Currency GetSlopeY() const { return FSlopeY; }
  virtual void SetSlopeY(Currency value) { SetAndNotify(FSlopeY, value); }

  void SetDefaults() override;
  void CopyFrom(const TSimDataHolder& source) override;

 private:
  Currency FPilotZ, FSlopeX, FSlopeY;
};

class TRCPDataHolder : public TSimDataHolder {
 public:
  virtual TIntVector GetLightDirection() const { return FLightDirection; }
  virtual void SetLightDirection(const TIntVector& value);
  virtual TColorTriple GetLightDiffuse() const { return FLightDiffuse; }
  virtual void SetLightDiffuse(const TColorTriple& value);
  virtual TColorTriple GetLightSpecular() const { return FLightSpecular; }
  virtual void SetLightSpecular(const TColorTriple& value);
  virtual TColorTriple GetLightAmbient() const { return FLightAmbient; }
  virtual void SetLightAmbient(const TColorTriple& value);
  virtual Currency GetAirCraftRotate() const { return FAirCraftRotate; }
  virtual void SetAirCraftRotate(Currency value) { SetAndNotify(FAirCraftRotate, value); }
  virtual Currency GetSlopeX() const { return FSlopeX; }
  virtual void SetSlopeX(Currency value) { SetAndNotify(FSlopeX, value); }
  virtual Currency GetSlopeZ() const { return FSlopeZ; }
  virtual void SetSlopeZ(Currency value) { SetAndNotify(FSlopeZ, value); }

  void SetDefaults() override;
  void CopyFrom(const TSimDataHolder& source) override;

 private:
  TIntVector FLightDirection;
  TColorTriple FLightDiffuse, FLightSpecular, FLightAmbient;
  Currency FAirCraftRotate, FSlopeX, FSlopeZ;
};

}  // namespace talvero
