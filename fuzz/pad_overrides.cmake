if(TARGET talvo::state)
  talvo_fuzz(pad_overrides talvo::state)
endif()
