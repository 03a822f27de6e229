if(TARGET talvo::banks)
  talvo_fuzz(bank_json talvo::banks)
endif()
