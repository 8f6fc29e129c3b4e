CREATE TABLE "你是哪种类型的领导？" (
  "测试题号" INTEGER,
  "测试题目" TEXT
);
