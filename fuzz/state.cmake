if(TARGET talvo::state)
  talvo_fuzz(state talvo::state)
endif()
