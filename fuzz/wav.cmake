if(TARGET talvo::banks)
  talvo_fuzz(wav talvo::banks)
endif()
