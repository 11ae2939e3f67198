// The DICOM element dictionary: one table per group, the group records it fills and the fill
// operations that store a normalised value into a record field.
#pragma once

#include <cstddef>
#include <cstdint>

// Groups in dictionary order; the order is also the index into an entry table.
enum {
    DCM_G0000 = 0,
    DCM_G0002 = 1,
    DCM_G0004 = 2,
    DCM_G0008 = 3,
    DCM_G0010 = 4,
    DCM_G0018 = 5,
    DCM_G0020 = 6,
    DCM_G0028 = 7,
    DCM_G0032 = 8,
    DCM_G0038 = 9,
    DCM_G0088 = 10,
    DCM_G2000 = 11,
    DCM_G2010 = 12,
    DCM_G2020 = 13,
    DCM_G2030 = 14,
    DCM_G2040 = 15,
    DCM_G2100 = 16,
    DCM_G2110 = 17,
    DCM_G4008 = 18,
    DCM_G50XX = 19,
    DCM_G60XX = 20,
    DCM_GFFFE = 21,
    DCM_GROUPS = 22
};

// VR classes, as stored in the dictionary's second column.
enum {
    DCMVR_AE = 0,
    DCMVR_AS,
    DCMVR_AT,
    DCMVR_CS,
    DCMVR_DA,
    DCMVR_DS,
    DCMVR_DT,
    DCMVR_FL,
    DCMVR_FD,
    DCMVR_IS,
    DCMVR_LO,
    DCMVR_LT,
    DCMVR_OB,
    DCMVR_OW,
    DCMVR_PN,
    DCMVR_SH,
    DCMVR_SL,
    DCMVR_SQ,
    DCMVR_SS,
    DCMVR_ST,
    DCMVR_TM,
    DCMVR_UI,
    DCMVR_UL,
    DCMVR_US,
    DCMVR_OBOW,   // pixel, curve and audio data, item tags
    DCMVR_VOISEQ, // (0028,3010) alone
    DCMVR_USSS,   // pixel-value and look-up-table elements
    DCMVR_COUNT
};

// One record per group, one field per kept dictionary row in dictionary order. Text fields have
// one byte more than the stored width so they are always terminated.
struct DCMGROUP0000 {
    uint32_t GroupLength; // (0000,0000) UL
};
struct DCMGROUP0002 {
    uint32_t GroupLength;                  // (0002,0000) UL
    uint32_t FileMetaInformationVersion;   // (0002,0001) OB
    char MediaStoredSOPClassUID[65];       // (0002,0002) UI
    char MediaStoredSOPInstanceUID[65];    // (0002,0003) UI
    char TransferSyntaxUID[65];            // (0002,0010) UI
    char ImplementationClassUID[65];       // (0002,0012) UI
    char ImplementationVersionName[17];    // (0002,0013) SH
    char SourceApplicationEntityTitle[17]; // (0002,0016) AE
    char PrivateInformationCreatorUID[65]; // (0002,0100) UI
    uint32_t PrivateInformation;           // (0002,0102) OB
};
struct DCMGROUP0004 {
    uint32_t GroupLength;                                    // (0004,0000) UL
    char FileSetID[17];                                      // (0004,1130) CS
    char FileSetDescriptorFileFileID[17];                    // (0004,1141) CS
    char FileSetDescriptorFileFormat[17];                    // (0004,1142) CS
    uint32_t RootDirectoryEntitysFirstDirectoryRecordOffset; // (0004,1200) UL
    uint32_t RootDirectoryEntitysLastDirectoryRecordOffset;  // (0004,1202) UL
    uint32_t NumberOfReferences;                             // (0004,1600) UL
};
struct DCMGROUP0008 {
    uint32_t GroupLength;                         // (0008,0000) UL
    char SpecificCharacterSet[17];                // (0008,0005) CS
    char ImageType[17];                           // (0008,0008) CS
    char InstanceCreationDate[11];                // (0008,0012) DA
    char InstanceCreationTime[17];                // (0008,0013) TM
    char InstanceCreatorUID[65];                  // (0008,0014) UI
    char SOPClassUID[65];                         // (0008,0016) UI
    char SOPInstanceUID[65];                      // (0008,0018) UI
    char StudyDate[11];                           // (0008,0020) DA
    char SeriesDate[11];                          // (0008,0021) DA
    char AcquisitionDate[11];                     // (0008,0022) DA
    char ImageDate[11];                           // (0008,0023) DA
    char OverlayDate[11];                         // (0008,0024) DA
    char CurveDate[11];                           // (0008,0025) DA
    char StudyTime[17];                           // (0008,0030) TM
    char SeriesTime[17];                          // (0008,0031) TM
    char AcquisitionTime[17];                     // (0008,0032) TM
    char ImageTime[17];                           // (0008,0033) TM
    char OverlayTime[17];                         // (0008,0034) TM
    char CurveTime[17];                           // (0008,0035) TM
    char NuclearMedicineSeriesType[17];           // (0008,0042) CS
    char AccessionNumber[17];                     // (0008,0050) SH
    char QueryRetrieveLevel[17];                  // (0008,0052) CS
    char RetrieveAETitle[17];                     // (0008,0054) AE
    char FailedSOPInstanceUIDList[65];            // (0008,0058) UI
    char Modality[17];                            // (0008,0060) CS
    char ConversionType[17];                      // (0008,0064) CS
    char Manufacturer[65];                        // (0008,0070) LO
    char InstitutionName[65];                     // (0008,0080) LO
    char InstitutionAddress[1025];                // (0008,0081) ST
    uint32_t InstitutionCodeSequence;             // (0008,0082) SQ
    char ReferringPhysiciansName[65];             // (0008,0090) PN
    char ReferringPhysiciansAddress[1025];        // (0008,0092) ST
    char ReferringPhysiciansTelephoneNumbers[17]; // (0008,0094) SH
    char CodeValue[17];                           // (0008,0100) SH
    char CodingSchemeDesignator[17];              // (0008,0102) SH
    char CodeMeaning[65];                         // (0008,0104) LO
    char StationName[17];                         // (0008,1010) SH
    char StudyDescription[65];                    // (0008,1030) LO
    uint32_t ProcedureCodeSequence;               // (0008,1032) SQ
    char SeriesDescription[65];                   // (0008,103E) LO
    char InstitutionalDepartmentName[65];         // (0008,1040) LO
    char PerformingPhysiciansName[65];            // (0008,1050) PN
    char NameOfPhysiciansReadingStudy[65];        // (0008,1060) PN
    char OperatorsName[65];                       // (0008,1070) PN
    char AdmittingDiagnosesDescription[65];       // (0008,1080) LO
    uint32_t AdmittingDiagnosisCodeSequence;      // (0008,1084) SQ
    char ManufacturersModelName[65];              // (0008,1090) LO
    uint32_t ReferencedResultsSequence;           // (0008,1100) SQ
    uint32_t ReferencedStudySequence;             // (0008,1110) SQ
    uint32_t ReferencedStudyComponentSequence;    // (0008,1111) SQ
    uint32_t ReferencedSeriesSequence;            // (0008,1115) SQ
    uint32_t ReferencedPatientSequence;           // (0008,1120) SQ
    uint32_t ReferencedVisitSequence;             // (0008,1125) SQ
    uint32_t ReferencedOverlaySequence;           // (0008,1130) SQ
    uint32_t ReferencedImageSequence;             // (0008,1140) SQ
    uint32_t ReferencedCurveSequence;             // (0008,1145) SQ
    char ReferencedUID[65];                       // (0008,1150) UI
    char ReferencedSOPInstanceUID[65];            // (0008,1155) UI
    char ReferencedFrameNumber[13];               // (0008,1160) IS
    char DerivationDescription[1025];             // (0008,2111) ST
    uint32_t SourceImageSequence;                 // (0008,2112) SQ
    char StageName[17];                           // (0008,2120) SH
    char StageNumber[13];                         // (0008,2122) IS
    char NumberOfStages[13];                      // (0008,2124) IS
    char ViewNumber[13];                          // (0008,2128) IS
    char NumberOfEventTimers[13];                 // (0008,2129) IS
    char NumberOfViewsInStage[13];                // (0008,212A) IS
    char EventElapsedTimes[17];                   // (0008,2130) DS
    char EventTimerName[65];                      // (0008,2132) LO
    char StartTrim[13];                           // (0008,2142) IS
    char StopTrim[13];                            // (0008,2143) IS
    char RecommendedDisplayFrameRate[13];         // (0008,2144) IS
    char TransducerPosition[17];                  // (0008,2200) CS
    char TransducerOrientation[17];               // (0008,2204) CS
    char AnatomicStructure[17];                   // (0008,2208) CS
    // The value of (0008,0005) as the file holds it, every term, for the text converter.
    char SpecificCharacterSetValue[129];
};
struct DCMGROUP0010 {
    uint32_t GroupLength;                       // (0010,0000) UL
    char PatientsName[65];                      // (0010,0010) PN
    char PatientID[65];                         // (0010,0020) LO
    char IssuerOfPatientID[65];                 // (0010,0021) LO
    char PatientsBirthDate[11];                 // (0010,0030) DA
    char PatientsBirthTime[17];                 // (0010,0032) TM
    char PatientsSex[17];                       // (0010,0040) CS
    uint32_t PatientsInsurancePlanCodeSequence; // (0010,0050) SQ
    char OtherPatientIDs[65];                   // (0010,1000) LO
    char OtherPatientNames[65];                 // (0010,1001) PN
    char PatientsBirthName[65];                 // (0010,1005) PN
    char PatientsAge[5];                        // (0010,1010) AS
    char PatientsSize[17];                      // (0010,1020) DS
    char PatientsWeight[17];                    // (0010,1030) DS
    char PatientsAddress[65];                   // (0010,1040) LO
    char PatientsMothersBirthName[65];          // (0010,1060) PN
    char MilitaryRank[65];                      // (0010,1080) LO
    char BranchOfService[65];                   // (0010,1081) LO
    char MedicalRecordLocator[65];              // (0010,1090) LO
    char MedicalAlerts[65];                     // (0010,2000) LO
    char ContrastAllergies[65];                 // (0010,2110) LO
    char CountryOfResidence[65];                // (0010,2150) LO
    char RegionOfResidence[65];                 // (0010,2152) LO
    char PatientsTelephoneNumbers[17];          // (0010,2154) SH
    char EthnicGroup[17];                       // (0010,2160) SH
    char Occupation[17];                        // (0010,2180) SH
    char SmokingStatus[17];                     // (0010,21A0) CS
    char AdditionalPatientHistory[1025];        // (0010,21B0) LT
    uint16_t PregnancyStatus;                   // (0010,21C0) US
    char LastMenstrualDate[11];                 // (0010,21D0) DA
    char PatientsReligiousPreference[65];       // (0010,21F0) LO
    char PatientComments[1025];                 // (0010,4000) LT
    // The bytes of (0010,0010) as the file holds them ('^' kept, not cut at 64), for the
    // text converter: three component groups with their escape sequences.
    char PatientsNameValue[401];
};
struct DCMGROUP0018 {
    uint32_t GroupLength;                                  // (0018,0000) UL
    char ContrastBolusAgent[65];                           // (0018,0010) LO
    char BodyPartExamined[17];                             // (0018,0015) CS
    char ScanningSequence[17];                             // (0018,0020) CS
    char SequenceVariant[17];                              // (0018,0021) CS
    char ScanOptions[17];                                  // (0018,0022) CS
    char MRAcquisitionType[17];                            // (0018,0023) CS
    char SequenceName[17];                                 // (0018,0024) SH
    char AngioFlag[17];                                    // (0018,0025) CS
    char Radionuclide[65];                                 // (0018,0030) LO
    char Radiopharmaceutical[65];                          // (0018,0031) LO
    char EnergyWindowCenterline[17];                       // (0018,0032) DS
    char EnergyWindowTotalWidth[17];                       // (0018,0033) DS
    char InterventionDrugName[65];                         // (0018,0034) LO
    char InterventionDrugStartTime[17];                    // (0018,0035) TM
    char CineRate[13];                                     // (0018,0040) IS
    char SliceThickness[17];                               // (0018,0050) DS
    char KVP[17];                                          // (0018,0060) DS
    char CountsAccumulated[13];                            // (0018,0070) IS
    char AcquisitionTerminationCondition[17];              // (0018,0071) CS
    char EffectiveSeriesDuration[17];                      // (0018,0072) DS
    char RepetitionTime[17];                               // (0018,0080) DS
    char EchoTime[17];                                     // (0018,0081) DS
    char InversionTime[17];                                // (0018,0082) DS
    char NumberOfAverages[17];                             // (0018,0083) DS
    char ImagingFrequency[17];                             // (0018,0084) DS
    char ImagedNucleus[17];                                // (0018,0085) SH
    char EchoNumbers[13];                                  // (0018,0086) IS
    char MagneticFieldStrength[17];                        // (0018,0087) DS
    char SpacingBetweenSlices[17];                         // (0018,0088) DS
    char NumberOfPhaseEncodingSteps[13];                   // (0018,0089) IS
    char DataCollectionDiameter[17];                       // (0018,0090) DS
    char EchoTrainLength[13];                              // (0018,0091) IS
    char PercentSampling[17];                              // (0018,0093) DS
    char PercentPhaseFieldOfView[17];                      // (0018,0094) DS
    char PixelBandwidth[17];                               // (0018,0095) DS
    char DeviceSerialNumber[65];                           // (0018,1000) LO
    char PlateID[65];                                      // (0018,1004) LO
    char SecondaryCaptureDeviceID[65];                     // (0018,1010) LO
    char DateOfSecondaryCapture[11];                       // (0018,1012) DA
    char TimeOfSecondaryCapture[17];                       // (0018,1014) TM
    char SecondaryCaptureDeviceManufacturer[65];           // (0018,1016) LO
    char SecondaryCaptureDeviceManufacturersModelName[65]; // (0018,1018) LO
    char SecondaryCaptureDeviceSoftwareVersions[65];       // (0018,1019) LO
    char SoftwareVersions[65];                             // (0018,1020) LO
    char VideoImageFormatAcquired[17];                     // (0018,1022) SH
    char DigitalImageFormatAcquired[65];                   // (0018,1023) LO
    char ProtocolName[65];                                 // (0018,1030) LO
    char ContrastBolusRoute[65];                           // (0018,1040) LO
    char ContrastBolusVolume[17];                          // (0018,1041) DS
    char ContrastBolusStartTime[17];                       // (0018,1042) TM
    char ContrastBolusStopTime[17];                        // (0018,1043) TM
    char ContrastBolusTotalDose[17];                       // (0018,1044) DS
    char SyringeCounts[13];                                // (0018,1045) IS
    char SpatialResolution[17];                            // (0018,1050) DS
    char TriggerTime[17];                                  // (0018,1060) DS
    char TriggerSourceOrType[65];                          // (0018,1061) LO
    char NominalInterval[13];                              // (0018,1062) IS
    char FrameTime[17];                                    // (0018,1063) DS
    char FramingType[65];                                  // (0018,1064) LO
    char FrameTimeVector[17];                              // (0018,1065) DS
    char FrameDelay[17];                                   // (0018,1066) DS
    char RadionuclideRoute[65];                            // (0018,1070) LO
    char RadionuclideVolume[17];                           // (0018,1071) DS
    char RadionuclideStartTime[17];                        // (0018,1072) TM
    char RadionuclideStopTime[17];                         // (0018,1073) TM
    char RadionuclideTotalDose[17];                        // (0018,1074) DS
    char BeatRejectionFlag[17];                            // (0018,1080) CS
    char LowRRValue[13];                                   // (0018,1081) IS
    char HighRRValue[13];                                  // (0018,1082) IS
    char IntervalsAcquired[13];                            // (0018,1083) IS
    char IntervalsRejected[13];                            // (0018,1084) IS
    char PVCRejection[65];                                 // (0018,1085) LO
    char SkipBeats[13];                                    // (0018,1086) IS
    char HeartRate[13];                                    // (0018,1088) IS
    char CardiacNumberOfImages[13];                        // (0018,1090) IS
    char TriggerWindow[13];                                // (0018,1094) IS
    char ReconstructionDiameter[17];                       // (0018,1100) DS
    char DistanceSourceToDetector[17];                     // (0018,1110) DS
    char DistanceSourceToPatient[17];                      // (0018,1111) DS
    char GantryDetectorTilt[17];                           // (0018,1120) DS
    char TableHeight[17];                                  // (0018,1130) DS
    char TableTraverse[17];                                // (0018,1131) DS
    char RotationDirection[17];                            // (0018,1140) CS
    char AngularPosition[17];                              // (0018,1141) DS
    char RadialPosition[17];                               // (0018,1142) DS
    char ScanArc[17];                                      // (0018,1143) DS
    char AngularStep[17];                                  // (0018,1144) DS
    char CenterOfRotationOffset[17];                       // (0018,1145) DS
    char RotationOffset[17];                               // (0018,1146) DS
    char FieldOfViewShape[17];                             // (0018,1147) CS
    char FieldOfViewDimensions[13];                        // (0018,1149) IS
    char ExposureTime[13];                                 // (0018,1150) IS
    char XRayTubeCurrent[13];                              // (0018,1151) IS
    char Exposure[13];                                     // (0018,1152) IS
    char FilterType[17];                                   // (0018,1160) SH
    char GeneratorPower[13];                               // (0018,1170) IS
    char CollimatorGridName[17];                           // (0018,1180) SH
    char CollimatorType[17];                               // (0018,1181) CS
    char FocalDistance[13];                                // (0018,1182) IS
    char XFocusCenter[17];                                 // (0018,1183) DS
    char YFocusCenter[17];                                 // (0018,1184) DS
    char FocalSpots[17];                                   // (0018,1190) DS
    char DateOfLastCalibration[11];                        // (0018,1200) DA
    char TimeOfLastCalibration[17];                        // (0018,1201) TM
    char ConvolutionKernel[17];                            // (0018,1210) SH
    char ActualFrameDuration[13];                          // (0018,1242) IS
    char CountRate[13];                                    // (0018,1243) IS
    char ReceivingCoil[17];                                // (0018,1250) SH
    char TransmittingCoil[17];                             // (0018,1251) SH
    char PlateType[17];                                    // (0018,1260) SH
    char PhosphorType[65];                                 // (0018,1261) LO
    char ScanVelocity[13];                                 // (0018,1300) IS
    char WholeBodyTechnique[17];                           // (0018,1301) CS
    char ScanLength[13];                                   // (0018,1302) IS
    uint16_t AcquisitionMatrix;                            // (0018,1310) US
    char PhaseEncodingDirection[17];                       // (0018,1312) CS
    char FlipAngle[17];                                    // (0018,1314) DS
    char VariableFlipAngleFlag[17];                        // (0018,1315) CS
    char SAR[17];                                          // (0018,1316) DS
    char DBDt[17];                                         // (0018,1318) DS
    char AcquisitionDeviceProcessingDescription[65];       // (0018,1400) LO
    char AcquisitionDeviceProcessingCode[65];              // (0018,1401) LO
    char CassetteOrientation[17];                          // (0018,1402) CS
    char CassetteSize[17];                                 // (0018,1403) CS
    uint16_t ExposuresOnPlate;                             // (0018,1404) US
    char RelativeXRayExposure[13];                         // (0018,1405) IS
    char OutputPower[17];                                  // (0018,5000) SH
    char TransducerData[65];                               // (0018,5010) LO
    char FocusDepth[17];                                   // (0018,5012) DS
    char PreprocessingFunction[65];                        // (0018,5020) LO
    char PostprocessingFunction[65];                       // (0018,5021) LO
    char MechanicalIndex[17];                              // (0018,5022) DS
    char ThermalIndex[17];                                 // (0018,5024) DS
    char CranialThermalIndex[17];                          // (0018,5026) DS
    char SoftTissueThermalIndex[17];                       // (0018,5027) DS
    char SoftTissueFocusThermalIndex[17];                  // (0018,5028) DS
    char SoftTissueSurfaceThermalIndex[17];                // (0018,5029) DS
    char DepthOfScanField[13];                             // (0018,5050) IS
    char PatientPosition[17];                              // (0018,5100) CS
    char ViewPosition[17];                                 // (0018,5101) CS
    char ImageTransformationMatrix[17];                    // (0018,5210) DS
    char ImageTranslationVector[17];                       // (0018,5212) DS
    char Sensitivity[17];                                  // (0018,6000) DS
    uint32_t SequenceOfUltrasoundRegions;                  // (0018,6011) SQ
    uint16_t RegionSpatialFormat;                          // (0018,6012) US
    uint16_t RegionDataType;                               // (0018,6014) US
    uint32_t RegionFlags;                                  // (0018,6016) UL
    uint32_t RegionLocationMinX0;                          // (0018,6018) UL
    uint32_t RegionLocationMinY0;                          // (0018,601A) UL
    uint32_t RegionLocationMaxX1;                          // (0018,601C) UL
    uint32_t RegionLocationMaxY1;                          // (0018,601E) UL
    uint32_t ReferencePixelX0;                             // (0018,6020) SL
    uint32_t ReferencePixelY0;                             // (0018,6022) SL
    uint16_t PhysicalUnitsXDirection;                      // (0018,6024) US
    uint16_t PhysicalUnitsYDirection;                      // (0018,6026) US
    uint8_t ReferencePixelPhysicalValueX[8];               // (0018,6028) FD
    uint8_t ReferencePixelPhysicalValueY[8];               // (0018,602A) FD
    uint8_t PhysicalDeltaX[8];                             // (0018,602C) FD
    uint8_t PhysicalDeltaY[8];                             // (0018,602E) FD
    uint32_t TransducerFrequency;                          // (0018,6030) UL
    char TransducerType[17];                               // (0018,6031) CS
    uint32_t PulseRepetitionFrequency;                     // (0018,6032) UL
    uint8_t DopplerCorrectionAngle[8];                     // (0018,6034) FD
    uint8_t SterringAngle[8];                              // (0018,6036) FD
    uint32_t DopplerSampleVolumeXPosition;                 // (0018,6038) UL
    uint32_t DopplerSampleVolumeYPosition;                 // (0018,603A) UL
    uint32_t TMLinePositionX0;                             // (0018,603C) UL
    uint32_t TMLinePositionY0;                             // (0018,603E) UL
    uint32_t TMLinePositionX1;                             // (0018,6040) UL
    uint32_t TMLinePositionY1;                             // (0018,6042) UL
    uint16_t PixelComponentOrganization;                   // (0018,6044) US
    uint32_t PixelComponentMask;                           // (0018,6046) UL
    uint32_t PixelComponentRangeStart;                     // (0018,6048) UL
    uint32_t PixelComponentRangeStop;                      // (0018,604A) UL
    uint16_t PixelComponentPhysicalUnits;                  // (0018,604C) US
    uint16_t PixelComponentDataType;                       // (0018,604E) US
    uint32_t NumberOfTableBreakPoints;                     // (0018,6050) UL
    uint32_t TableOfXBreakPoints;                          // (0018,6052) UL
    uint8_t TableOfYBreakPoints[8];                        // (0018,6054) FD
};
struct DCMGROUP0020 {
    uint32_t GroupLength;                   // (0020,0000) UL
    char StudyInstanceUID[65];              // (0020,000D) UI
    char SeriesInstanceUID[65];             // (0020,000E) UI
    char StudyID[17];                       // (0020,0010) SH
    char SeriesNumber[13];                  // (0020,0011) IS
    char AcquisitionNumber[13];             // (0020,0012) IS
    char ImageNumber[13];                   // (0020,0013) IS
    char IsotopeNumber[13];                 // (0020,0014) IS
    char PhaseNumber[13];                   // (0020,0015) IS
    char IntervalNumber[13];                // (0020,0016) IS
    char TimeSlotNumber[13];                // (0020,0017) IS
    char AngleNumber[13];                   // (0020,0018) IS
    char PatientOrientation[17];            // (0020,0020) CS
    char OverlayNumber[13];                 // (0020,0022) IS
    char CurveNumber[13];                   // (0020,0024) IS
    char LUTNumber[13];                     // (0020,0026) IS
    char ImagePositionPatient[17];          // (0020,0032) DS
    char ImageOrientationPatient[17];       // (0020,0037) DS
    char FrameOfReferenceUID[65];           // (0020,0052) UI
    char Laterality[17];                    // (0020,0060) CS
    char TemporalPositionIdentifier[13];    // (0020,0100) IS
    char NumberOfTemporalPositions[13];     // (0020,0105) IS
    char TemporalResolution[17];            // (0020,0110) DS
    char SeriesInStudy[13];                 // (0020,1000) IS
    char ImagesInAcquisition[13];           // (0020,1002) IS
    char AcquisitionInStudy[13];            // (0020,1004) IS
    char PositionReferenceIndicator[65];    // (0020,1040) LO
    char SliceLocation[17];                 // (0020,1041) DS
    char OtherStudyNumbers[13];             // (0020,1070) IS
    char NumberOfPatientRelatedStudies[13]; // (0020,1200) IS
    char NumberOfPatientRelatedSeries[13];  // (0020,1202) IS
    char NumberOfPatientRelatedImages[13];  // (0020,1204) IS
    char NumberOfStudyRelatedSeries[13];    // (0020,1206) IS
    char NumberOfStudyRelatedImages[13];    // (0020,1208) IS
    char ImageComments[1025];               // (0020,4000) LT
};
struct DCMGROUP0028 {
    uint32_t GroupLength;                               // (0028,0000) UL
    uint16_t SamplesPerPixel;                           // (0028,0002) US
    char PhotometricInterpretation[17];                 // (0028,0004) CS
    uint16_t PlanarConfiguration;                       // (0028,0006) US
    char NumberOfFrames[13];                            // (0028,0008) IS
    uint8_t FrameIncrementPointer[4];                   // (0028,0009) AT
    uint16_t Rows;                                      // (0028,0010) US
    uint16_t Columns;                                   // (0028,0011) US
    char PixelSpacing[17];                              // (0028,0030) DS
    char ZoomFactor[17];                                // (0028,0031) DS
    char ZoomCenter[17];                                // (0028,0032) DS
    char PixelAspectRatio[13];                          // (0028,0034) IS
    char CorrectedImage[17];                            // (0028,0051) CS
    uint16_t BitsAllocated;                             // (0028,0100) US
    uint16_t BitsStored;                                // (0028,0101) US
    uint16_t HighBit;                                   // (0028,0102) US
    uint16_t PixelRepresentation;                       // (0028,0103) US
    uint16_t SmallestImagePixelValue;                   // (0028,0106) US or SS
    uint16_t LargestImagePixelValue;                    // (0028,0107) US or SS
    uint16_t SmallestPixelValueInSeries;                // (0028,0108) US or SS
    uint16_t LargestPixelValueInSeries;                 // (0028,0109) US or SS
    uint16_t PixelPaddingValue;                         // (0028,0120) US or SS
    char WindowCenter[17];                              // (0028,1050) DS
    char WindowWidth[17];                               // (0028,1051) DS
    char RescaleIntercept[17];                          // (0028,1052) DS
    char RescaleSlope[17];                              // (0028,1053) DS
    char RescaleType[17];                               // (0028,1054) DS
    char WindowCenterWidthExplanation[65];              // (0028,1055) LO
    uint16_t RedPaletteColorLookupTableDescriptor[3];   // (0028,1101) US or SS
    uint16_t GreenPaletteColorLookupTableDescriptor[3]; // (0028,1102) US or SS
    uint16_t BluePaletteColorLookupTableDescriptor[3];  // (0028,1103) US or SS
    uint8_t *RedPaletteColorLookupTableData;            // (0028,1201) US or SS
    uint8_t *GreenPaletteColorLookupTableData;          // (0028,1202) US or SS
    uint8_t *BluePaletteColorLookupTableData;           // (0028,1203) US or SS
    uint32_t ModalityLUTSequence;                       // (0028,3000) SQ
    uint16_t LUTDescriptor;                             // (0028,3002) US or SS
    char LUTExplanation[65];                            // (0028,3003) LO
    char ModalityLUTType[65];                           // (0028,3004) LO
    uint16_t LUTData;                                   // (0028,3006) US or SS
    uint16_t VOILUTSequence;                            // (0028,3010) class 25
};
struct DCMGROUP0032 {
    uint32_t GroupLength;                    // (0032,0000) UL
    char StudyStatusID[17];                  // (0032,000A) CS
    char StudyPriorityID[17];                // (0032,000C) CS
    char StudyIDIssuer[65];                  // (0032,0012) LO
    char StudyVerifiedDate[11];              // (0032,0032) DA
    char StudyVerifiedTime[17];              // (0032,0033) TM
    char StudyReadDate[11];                  // (0032,0034) DA
    char StudyReadTime[17];                  // (0032,0035) TM
    char ScheduledStudyStartDate[11];        // (0032,1000) DA
    char ScheduledStudyStartTime[17];        // (0032,1001) TM
    char ScheduledStudyStopDate[11];         // (0032,1010) DA
    char ScheduledStudyStopTime[17];         // (0032,1011) TM
    char ScheduledStudyLocation[65];         // (0032,1020) LO
    char ScheduledStudyLocationAETitles[17]; // (0032,1021) AE
    char ReasonForStudy[65];                 // (0032,1030) LO
    char RequestingPhysician[65];            // (0032,1032) PN
    char RequestingService[65];              // (0032,1033) LO
    char StudyArrivalDate[11];               // (0032,1040) DA
    char StudyArrivalTime[17];               // (0032,1041) TM
    char StudyCompletionDate[11];            // (0032,1050) DA
    char StudyCompletionTime[17];            // (0032,1051) TM
    char StudyComponentStatusID[17];         // (0032,1055) CS
    char RequestedProcedureDescription[65];  // (0032,1060) LO
    uint32_t RequestedProcedureCodeSequence; // (0032,1064) SQ
    char RequestedContrastAgent[65];         // (0032,1070) LO
    char StudyComments[1025];                // (0032,4000) LT
};
struct DCMGROUP0038 {
    uint32_t GroupLength;                          // (0038,0000) UL
    uint32_t ReferencedPatientAliasSequence;       // (0038,0004) SQ
    char VisitStatusID[17];                        // (0038,0008) CS
    char AdmissionID[65];                          // (0038,0010) LO
    char IssuerOfAdmissionID[65];                  // (0038,0011) LO
    char RouteOfAdmissions[65];                    // (0038,0016) LO
    char ScheduledAdmissionDate[11];               // (0038,001A) DA
    char ScheduledAdmissionTime[17];               // (0038,001B) TM
    char ScheduledDischargeDate[11];               // (0038,001C) DA
    char ScheduledDischargeTime[17];               // (0038,001D) TM
    char ScheduledPatientInstitutionResidence[65]; // (0038,001E) LO
    char AdmittingDate[11];                        // (0038,0020) DA
    char AdmittingTime[17];                        // (0038,0021) TM
    char DischargeDate[11];                        // (0038,0030) DA
    char DischargeTime[17];                        // (0038,0032) TM
    char DischargeDiagnosisDescription[65];        // (0038,0040) LO
    uint32_t DischargeDiagnosisCodeSequence;       // (0038,0044) SQ
    char SpecialNeeds[65];                         // (0038,0050) LO
    char CurrentPatientLocation[65];               // (0038,0300) LO
    char PatientsInstitutionResidence[65];         // (0038,0400) LO
    char PatientState[65];                         // (0038,0500) LO
    char VisitComments[1025];                      // (0038,4000) LT
};
struct DCMGROUP0088 {
    uint32_t GroupLength;            // (0088,0000) UL
    char StorageMediaFileSetID[17];  // (0088,0130) SH
    char StorageMediaFileSetUID[65]; // (0088,0140) UI
};
struct DCMGROUP2000 {
    uint32_t GroupLength;               // (2000,0000) UL
    char NumberOfCopies[13];            // (2000,0010) IS
    char PrintPriority[17];             // (2000,0020) CS
    char MediumType[17];                // (2000,0030) CS
    char FilmDestination[17];           // (2000,0040) CS
    char FilmSessionLabel[65];          // (2000,0050) LO
    char MemoryAllocation[13];          // (2000,0060) IS
    uint32_t ReferencedFilmBoxSequence; // (2000,0500) SQ
};
struct DCMGROUP2010 {
    uint32_t GroupLength;                          // (2010,0000) UL
    char ImageDisplayFormat[1025];                 // (2010,0010) ST
    char AnnotationDisplayFormatID[17];            // (2010,0030) CS
    char FilmOrientation[17];                      // (2010,0040) CS
    char FilmSizeID[17];                           // (2010,0050) CS
    char MagnificationType[17];                    // (2010,0060) CS
    char SmoothingType[17];                        // (2010,0080) CS
    char BorderDensity[17];                        // (2010,0100) CS
    char EmptyImageDensity[17];                    // (2010,0110) CS
    uint16_t MinDensity;                           // (2010,0120) US
    uint16_t MaxDensity;                           // (2010,0130) US
    char Trim[17];                                 // (2010,0140) CS
    char ConfigurationInformation[1025];           // (2010,0150) ST
    uint32_t ReferencedFilmSessionSequence;        // (2010,0500) SQ
    uint32_t ReferencedImageBoxSequence;           // (2010,0510) SQ
    uint32_t ReferencedBasicAnnotationBoxSequence; // (2010,0520) SQ
};
struct DCMGROUP2020 {
    uint32_t GroupLength;                        // (2020,0000) UL
    uint16_t ImagePosition;                      // (2020,0010) US
    char Polarity[17];                           // (2020,0020) CS
    char RequestedImageSize[17];                 // (2020,0030) DS
    uint32_t PreformattedGrayscaleImageSequence; // (2020,0110) SQ
    uint32_t PreformattedColorImageSequence;     // (2020,0111) SQ
    uint32_t ReferencedImageOverlayBoxSequence;  // (2020,0130) SQ
    uint32_t ReferencedVOILUTBoxSequence;        // (2020,0140) SQ
};
struct DCMGROUP2030 {
    uint32_t GroupLength;        // (2030,0000) UL
    uint16_t AnnotationPosition; // (2030,0010) US
    char TextString[65];         // (2030,0020) LO
};
struct DCMGROUP2040 {
    uint32_t GroupLength;                    // (2040,0000) UL
    uint32_t ReferencedOverlayPlaneSequence; // (2040,0010) SQ
    uint16_t ReferencedOverlayPlaneGroups;   // (2040,0011) US
    char OverlayMagnificationType[17];       // (2040,0060) CS
    char OverlaySmoothingType[17];           // (2040,0070) CS
    char OverlayForegroundDensity[17];       // (2040,0080) CS
    char OverlayMode[17];                    // (2040,0090) CS
    char ThresholdDensity[17];               // (2040,0100) CS
    uint32_t ReferencedImageBoxSequence;     // (2040,0500) SQ
};
struct DCMGROUP2100 {
    uint32_t GroupLength;                // (2100,0000) UL
    char ExecutionStatus[17];            // (2100,0020) CS
    char ExecutionStatusInfo[17];        // (2100,0030) CS
    char CreationDate[11];               // (2100,0040) DA
    char CreationTime[17];               // (2100,0050) TM
    char Originator[17];                 // (2100,0070) AE
    uint32_t ReferencedPrintJobSequence; // (2100,0500) SQ
};
struct DCMGROUP2110 {
    uint32_t GroupLength;       // (2110,0000) UL
    char PrinterStatus[17];     // (2110,0010) CS
    char PrinterStatusInfo[17]; // (2110,0020) CS
    char PrinterName[65];       // (2110,0030) LO
};
struct DCMGROUP4008 {
    uint32_t GroupLength;                          // (4008,0000) UL
    char ResultsID[17];                            // (4008,0040) SH
    char ResultsIDIssuer[65];                      // (4008,0042) LO
    uint32_t ReferencedInterpretationSequence;     // (4008,0050) SQ
    char InterpretationRecordedDate[11];           // (4008,0100) DA
    char InterpretationRecordedTime[17];           // (4008,0101) TM
    char InterpretationRecorder[65];               // (4008,0102) PN
    char ReferenceToRecordedSound[65];             // (4008,0103) LO
    char InterpretationTranscriptionDate[11];      // (4008,0108) DA
    char InterpretationTranscriptionTime[17];      // (4008,0109) TM
    char InterpretationTranscriber[65];            // (4008,010A) PN
    char InterpretationText[1025];                 // (4008,010B) ST
    char InterpretationAuthor[65];                 // (4008,010C) PN
    uint32_t InterpretationApproverSequence;       // (4008,0111) SQ
    char InterpretationApprovalDate[11];           // (4008,0112) DA
    char InterpretationApprovalTime[17];           // (4008,0113) TM
    char PhysicianApprovingInterpretation[65];     // (4008,0114) PN
    char InterpretationDiagnosisDescription[1025]; // (4008,0115) LT
    uint32_t DiagnosisCodeSequence;                // (4008,0117) SQ
    uint32_t ResultsDistributionListSequence;      // (4008,0118) SQ
    char DistributionName[65];                     // (4008,0119) PN
    char DistributionAddress[65];                  // (4008,011A) LO
    char InterpretationID[17];                     // (4008,0200) SH
    char InterpretationIDIssuer[65];               // (4008,0202) LO
    char InterpretationTypeID[17];                 // (4008,0210) CS
    char InterpretationStatusID[17];               // (4008,0212) CS
    char Impressions[1025];                        // (4008,0300) ST
    char ResultsComments[1025];                    // (4008,4000) ST
};
struct DCMGROUP50XX {
    uint32_t GroupLength;             // (5000,0000) UL
    uint16_t CurveDimensions;         // (5000,0005) US
    uint16_t NumberOfPoints;          // (5000,0010) US
    char TypeOfData[17];              // (5000,0020) CS
    char CurveDescription[65];        // (5000,0022) LO
    char AxisUnits[17];               // (5000,0030) SH
    char AxisLabels[17];              // (5000,0040) SH
    uint16_t DataValueRepresentation; // (5000,0103) US
    uint16_t MinimumCoordinateValue;  // (5000,0104) US
    uint16_t MaximumCoordinateValue;  // (5000,0105) US
    char CurveRange[17];              // (5000,0106) SH
    uint16_t CurveDataDescriptor;     // (5000,0110) US
    uint16_t CoordinateStartValue;    // (5000,0112) US
    uint16_t CoordinateStepValue;     // (5000,0114) US
    uint16_t AudioType;               // (5000,2000) US
    uint16_t AudioSampleFormat;       // (5000,2002) US
    uint16_t NumberOfChannels;        // (5000,2004) US
    uint32_t NumberOfSamples;         // (5000,2006) UL
    uint32_t SampleRate;              // (5000,2008) UL
    uint32_t TotalTime;               // (5000,200A) UL
    uint16_t AudioSampleData;         // (5000,200C) OB or OW
    char AudioComments[1025];         // (5000,200E) LT
    uint16_t CurveData;               // (5000,3000) OB or OW
};
struct DCMGROUP60XX {
    uint32_t GroupLength;             // (6000,0000) UL
    uint16_t Rows;                    // (6000,0010) US
    uint16_t Columns;                 // (6000,0011) US
    char NumberOfFramesInOverlay[13]; // (6000,0015) IS
    char OverlayType[17];             // (6000,0040) CS
    uint16_t Origin;                  // (6000,0050) SS
    uint16_t BitsAllocated;           // (6000,0100) US
    uint16_t BitPosition;             // (6000,0102) US
    uint16_t OverlayDescriptorGray;   // (6000,1100) US
    uint16_t OverlayDescriptorRed;    // (6000,1101) US
    uint16_t OverlayDescriptorGreen;  // (6000,1102) US
    uint16_t OverlayDescriptorBlue;   // (6000,1103) US
    uint16_t OverlaysGray;            // (6000,1200) US
    uint16_t OverlaysRed;             // (6000,1201) US
    uint16_t OverlaysGreen;           // (6000,1202) US
    uint16_t OverlaysBlue;            // (6000,1203) US
    char ROIArea[13];                 // (6000,1301) IS
    char ROIMean[17];                 // (6000,1302) DS
    char ROIStandardDeviation[17];    // (6000,1303) DS
    uint8_t OverlayData[4];           // (6000,3000) OW
};
struct DCMGROUPFFFE {
    uint32_t GroupLength;              // (7FE0,0000) UL
    uint32_t PixelData;                // (7FE0,0010) OB or OW
    uint32_t Item;                     // (FFFE,E000) OB or OW
    uint32_t ItemDelimitationItem;     // (FFFE,E00D) OB or OW
    uint32_t SequenceDelimitationItem; // (FFFE,E0DD) OB or OW
};

// The current records of one parse. Each test or read has its own set, so parses on several
// threads never share one.
struct DCMGROUPS {
    DCMGROUP0000 dcmgroup0000;
    DCMGROUP0002 dcmgroup0002;
    DCMGROUP0004 dcmgroup0004;
    DCMGROUP0008 dcmgroup0008;
    DCMGROUP0010 dcmgroup0010;
    DCMGROUP0018 dcmgroup0018;
    DCMGROUP0020 dcmgroup0020;
    DCMGROUP0028 dcmgroup0028;
    DCMGROUP0032 dcmgroup0032;
    DCMGROUP0038 dcmgroup0038;
    DCMGROUP0088 dcmgroup0088;
    DCMGROUP2000 dcmgroup2000;
    DCMGROUP2010 dcmgroup2010;
    DCMGROUP2020 dcmgroup2020;
    DCMGROUP2030 dcmgroup2030;
    DCMGROUP2040 dcmgroup2040;
    DCMGROUP2100 dcmgroup2100;
    DCMGROUP2110 dcmgroup2110;
    DCMGROUP4008 dcmgroup4008;
    DCMGROUP50XX dcmgroup50xx;
    DCMGROUP60XX dcmgroup60xx;
    DCMGROUPFFFE dcmgroupFFFE;
};

// The dictionary: per row the element name and the VR class as decimal text, and in the B table
// the tag as group high, group low, element high, element low byte.
extern const char *const DcmGroupUnit0000[][2];
extern const unsigned char DcmGroupUnit0000B[][4];
extern const char *const DcmGroupUnit0002[][2];
extern const unsigned char DcmGroupUnit0002B[][4];
extern const char *const DcmGroupUnit0004[][2];
extern const unsigned char DcmGroupUnit0004B[][4];
extern const char *const DcmGroupUnit0008[][2];
extern const unsigned char DcmGroupUnit0008B[][4];
extern const char *const DcmGroupUnit0010[][2];
extern const unsigned char DcmGroupUnit0010B[][4];
extern const char *const DcmGroupUnit0018[][2];
extern const unsigned char DcmGroupUnit0018B[][4];
extern const char *const DcmGroupUnit0020[][2];
extern const unsigned char DcmGroupUnit0020B[][4];
extern const char *const DcmGroupUnit0028[][2];
extern const unsigned char DcmGroupUnit0028B[][4];
extern const char *const DcmGroupUnit0032[][2];
extern const unsigned char DcmGroupUnit0032B[][4];
extern const char *const DcmGroupUnit0038[][2];
extern const unsigned char DcmGroupUnit0038B[][4];
extern const char *const DcmGroupUnit0088[][2];
extern const unsigned char DcmGroupUnit0088B[][4];
extern const char *const DcmGroupUnit2000[][2];
extern const unsigned char DcmGroupUnit2000B[][4];
extern const char *const DcmGroupUnit2010[][2];
extern const unsigned char DcmGroupUnit2010B[][4];
extern const char *const DcmGroupUnit2020[][2];
extern const unsigned char DcmGroupUnit2020B[][4];
extern const char *const DcmGroupUnit2030[][2];
extern const unsigned char DcmGroupUnit2030B[][4];
extern const char *const DcmGroupUnit2040[][2];
extern const unsigned char DcmGroupUnit2040B[][4];
extern const char *const DcmGroupUnit2100[][2];
extern const unsigned char DcmGroupUnit2100B[][4];
extern const char *const DcmGroupUnit2110[][2];
extern const unsigned char DcmGroupUnit2110B[][4];
extern const char *const DcmGroupUnit4008[][2];
extern const unsigned char DcmGroupUnit4008B[][4];
extern const char *const DcmGroupUnit50xx[][2];
extern const unsigned char DcmGroupUnit50xxB[][4];
extern const char *const DcmGroupUnit60xx[][2];
extern const unsigned char DcmGroupUnit60xxB[][4];
extern const char *const DcmGroupUnitFFFE[][2];
extern const unsigned char DcmGroupUnitFFFEB[][4];

// How a dictionary row is stored in its record.
enum {
    DCMF_NONE,    // searched, not kept
    DCMF_TEXT,    // char[size + 1]
    DCMF_RAW,     // size raw bytes
    DCMF_U16,     // 16-bit word
    DCMF_U32,     // 32-bit word
    DCMF_U16IN32, // first two value bytes in a 32-bit word
    DCMF_PALDESC, // three 16-bit words, only the first filled
    DCMF_PALDATA, // palette buffer; aux is the offset of its descriptor
};

struct DCMFIELD {
    unsigned offset;
    unsigned kind;
    unsigned aux; // text or raw width, or the descriptor offset
};

// A group's dictionary and record, in entry-table order.
struct DCMGROUPDEF {
    const char *name;              // "0028", "50xx", ...
    const char *const (*unit)[2];  // DcmGroupUnit<group>
    const unsigned char (*tag)[4]; // DcmGroupUnit<group>B
    int rows;
    const DCMFIELD *field; // storage of each row
    size_t size;           // record size
    size_t current;        // offset of dcmgroup<group> in DCMGROUPS
};

extern const DCMGROUPDEF DcmGroupDef[DCM_GROUPS];

// The record of group `group` (DCM_G...) in a set, or null for a bad group.
void *DcmGroupCurrent(DCMGROUPS *groups, int group);

// Stores a normalised value into the field of dictionary row `row` of group `group`. 100 when
// stored, 150 when the row is not kept, -15 for a bad group or row.
int DcmGroupFillRow(int group, int row, const uint8_t *value, void *rec);
// Same, the row chosen by the element number; -15 when the group has no such element.
int DcmGroupFillElement(int group, const uint8_t *value, int elo, int ehi, void *rec);

int DcmGroupFill0000(const uint8_t *value, int elo, int ehi, DCMGROUP0000 *rec);
int DcmGroupFill0002(const uint8_t *value, int elo, int ehi, DCMGROUP0002 *rec);
int DcmGroupFill0004(const uint8_t *value, int elo, int ehi, DCMGROUP0004 *rec);
int DcmGroupFill0008(const uint8_t *value, int elo, int ehi, DCMGROUP0008 *rec);
int DcmGroupFill0010(const uint8_t *value, int elo, int ehi, DCMGROUP0010 *rec);
int DcmGroupFill0018(const uint8_t *value, int elo, int ehi, DCMGROUP0018 *rec);
int DcmGroupFill0020(const uint8_t *value, int elo, int ehi, DCMGROUP0020 *rec);
int DcmGroupFill0028(const uint8_t *value, int elo, int ehi, DCMGROUP0028 *rec);
int DcmGroupFill0032(const uint8_t *value, int elo, int ehi, DCMGROUP0032 *rec);
int DcmGroupFill0038(const uint8_t *value, int elo, int ehi, DCMGROUP0038 *rec);
int DcmGroupFill0088(const uint8_t *value, int elo, int ehi, DCMGROUP0088 *rec);
int DcmGroupFill2000(const uint8_t *value, int elo, int ehi, DCMGROUP2000 *rec);
int DcmGroupFill2010(const uint8_t *value, int elo, int ehi, DCMGROUP2010 *rec);
int DcmGroupFill2020(const uint8_t *value, int elo, int ehi, DCMGROUP2020 *rec);
int DcmGroupFill2030(const uint8_t *value, int elo, int ehi, DCMGROUP2030 *rec);
int DcmGroupFill2040(const uint8_t *value, int elo, int ehi, DCMGROUP2040 *rec);
int DcmGroupFill2100(const uint8_t *value, int elo, int ehi, DCMGROUP2100 *rec);
int DcmGroupFill2110(const uint8_t *value, int elo, int ehi, DCMGROUP2110 *rec);
int DcmGroupFill4008(const uint8_t *value, int elo, int ehi, DCMGROUP4008 *rec);
int DcmGroupFill50xx(const uint8_t *value, int elo, int ehi, DCMGROUP50XX *rec);
int DcmGroupFill60xx(const uint8_t *value, int elo, int ehi, DCMGROUP60XX *rec);
int DcmGroupFillFFFE(const uint8_t *value, int elo, int ehi, DCMGROUPFFFE *rec);

// Releases the palette buffers a group-0028 record points to and clears the pointers.
void DcmGroupPaletteRelease(DCMGROUP0028 *rec);
// Gives `dst` (a copy of `src`) buffers of its own; -8 when memory runs out (all cleared then).
int DcmGroupPaletteCopy(DCMGROUP0028 *dst, const DCMGROUP0028 *src);
// Bytes of a palette buffer: four per entry of its descriptor.
long DcmGroupPaletteSize(const uint16_t *descriptor);
