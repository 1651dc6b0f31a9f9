<!DOCTYPE html>
<html lang="ko">
<head><meta charset="utf-8"><title>도움말 4 - 검색</title></head>
<body>
<h1>도움말 4 - 검색</h1>
<p>파일 검색은 리스트에 있는 모든 회원의 공유 파일을 찾습니다. 제한 검색어는 검색할 수 없습니다.</p>
</body>
</html>
